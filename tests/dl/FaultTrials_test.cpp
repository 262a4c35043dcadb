// velmora-fetch against a server that misbehaves at random, killed and
// started again at random moments: every trial must end with a file equal
// to one version of the served file, or with a clear failure, and the
// record beside the part may never claim a byte of another version.
//
// VELMORA_FAULT_SEED=N runs the one trial of that seed (with its server's
// log); VELMORA_FAULT_TRIALS=N changes how many trials run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "tests/dl/support/FetchTrial.h"
#include "tests/support/TempDir.h"

namespace {

std::string FetchTool() {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  return std::string(bin ? bin : ".") + "/velmora-fetch";
}

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

struct Campaign {
  uint64_t firstSeed = 1;
  size_t trials = 200;
  // Trials mostly wait on a paced server, so more run at once than there
  // are cores.
  int workers = 8;
  // Every fourth trial faces one fault alone. Of the others, half draw
  // from every fault at the rates seen on the real web, the rest at rates
  // high enough that the rarer faults come up in a short run (a trial
  // makes only a handful of requests).
  std::vector<double> rates = {0.02, 0.015, 0.025, 0.1, 0.25, 0.5};
};

// Connections, rate and sticky chance follow from the seed alone, so one
// seed replays one trial whatever the campaign.
TrialSettings SettingsFor(uint64_t seed, const Campaign& campaign, const std::string& dir) {
  TrialSettings settings;
  settings.seed = seed;
  const int connections = seed % 2 ? 1 : 4;
  settings.command = [connections](const std::string& url, const std::string& file) {
    return VelmoraFetchCommand(FetchTool(), connections, url, file);
  };
  settings.messagePrefix = "velmora-fetch: ";
  settings.dir = dir;
  if (seed % 4 == 3) {
    // Every fault in turn alone, often enough to come up in a few requests.
    const auto kinds = static_cast<uint64_t>(Fault::kCount) - 1;
    settings.kinds = {static_cast<Fault>(1 + (seed / 4) % kinds)};
    settings.rate = 0.35;
    settings.stickyChance = 0.5;
  } else {
    settings.rate = campaign.rates[(seed / 2) % campaign.rates.size()];
    settings.stickyChance = 0.25;
  }
  // Slow enough that a run lasts a few seconds, so that kills come in the
  // middle and after records were saved (once a second); four connections
  // need pieces of at least a MiB to share the file.
  settings.minSize = connections == 1 ? 1 << 20 : 2 << 20;
  settings.maxSize = connections == 1 ? 3 << 20 : 5 << 20;
  settings.pace = connections == 1 ? 1 << 20 : 512 << 10;
  settings.maxKills = 3;
  settings.minKillMs = 200;
  settings.maxKillMs = 2500;
  settings.runBoundMs = 45000;
  return settings;
}

struct Tally {
  std::mutex mutex;
  std::map<TrialEnd, size_t> ends;
  size_t recordFaults = 0;
  size_t kills = 0;
  size_t requests = 0;
};

void Report(uint64_t seed, const TrialSettings& settings, const TrialResult& result) {
  // What the client said when it gave up, to judge whether it was clear.
  if (result.end == TrialEnd::ClearFailure)
    std::printf("seed %llu failed: %s", static_cast<unsigned long long>(seed), result.message.c_str());
  bool bad = !Acceptable(result.end) || !result.recordFaults.empty();
  if (!bad) return;
  std::string records;
  for (const std::string& fault : result.recordFaults) records += "  " + fault + "\n";
  ADD_FAILURE() << "seed " << seed << " (rate " << settings.rate
                << (settings.kinds.empty() ? "" : std::string(", only ") + FaultName(settings.kinds[0])) << "): " << TrialEndName(result.end) << " after "
                << result.runs << " runs, " << result.kills << " kills, " << result.seconds << " s\n"
                << records << "client said: " << result.message.substr(0, 600) << "\n"
                << result.serverLog.substr(0, 6000);
}

void RunCampaign(const Campaign& campaign) {
  Tally tally;
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < campaign.trials; i = next++) {
      uint64_t seed = campaign.firstSeed + i;
      TempDir dir;
      TrialSettings settings = SettingsFor(seed, campaign, dir.path());
      TrialResult result = RunFetchTrial(settings);
      std::lock_guard lock(tally.mutex);
      ++tally.ends[result.end];
      tally.recordFaults += !result.recordFaults.empty();
      tally.kills += static_cast<size_t>(result.kills);
      tally.requests += result.requests;
      Report(seed, settings, result);
      // A replayed trial shows what the server did, whatever the end.
      if (campaign.trials == 1) std::printf("%s", result.serverLog.c_str());
    }
  };
  std::vector<std::thread> threads;
  for (int w = 0; w < std::min<int>(campaign.workers, static_cast<int>(campaign.trials)); ++w)
    threads.emplace_back(worker);
  for (auto& thread : threads) thread.join();
  std::string summary;
  for (const auto& [end, count] : tally.ends) summary += std::string(TrialEndName(end)) + " " + std::to_string(count) + ", ";
  std::printf("%zu trials from seed %llu: %srecords wrong in %zu; %zu kills, %zu requests\n", campaign.trials,
              static_cast<unsigned long long>(campaign.firstSeed), summary.c_str(), tally.recordFaults, tally.kills,
              tally.requests);
  // A campaign that never reaches the end of a download proves nothing.
  if (campaign.trials >= 30) {
    EXPECT_GT(tally.ends[TrialEnd::Identical], campaign.trials / 3);
  }
}

Campaign FromEnvironment(size_t trials) {
  Campaign campaign;
  campaign.trials = EnvNumber("VELMORA_FAULT_TRIALS", trials);
  if (uint64_t seed = EnvNumber("VELMORA_FAULT_SEED", 0)) {
    campaign.firstSeed = seed;
    campaign.trials = 1;
  }
  return campaign;
}

}  // namespace

TEST(FaultTrials, SeededTrialsWithKillsEndWholeOrFailClearly) { RunCampaign(FromEnvironment(200)); }

// Thousands of trials for the benchmarks machine (ctest -L machine); other
// seeds than the default run's.
TEST(FaultTrialsLong, ThousandsOfSeededTrials) {
  Campaign campaign = FromEnvironment(3000);
  if (!std::getenv("VELMORA_FAULT_SEED")) campaign.firstSeed = 100000;
  RunCampaign(campaign);
}
