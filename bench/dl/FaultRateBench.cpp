// velmora-bench-faults: what faults cost. The same seeded misbehaving server
// the trials use (no kills here, no server that keeps one fault) serves one
// file to velmora-fetch over one and four connections, and to curl
// (`-C - --retry`) and aria2c (its retry options) for comparison, at fault
// rates per request from 0 % to 10 %. For each: how many trials finished
// with the right file, how many failed (and said so), how many saved a
// wrong file or hung, the requests per finished trial and its time to
// finish. Prints a Markdown table.
//
// velmora-bench-faults [--trials N] [--size MIB] [--rates 0,1,2,5,10,25] [--no-peers]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/net/BenchProcess.h"
#include "tests/dl/support/FetchTrial.h"
#include "tests/support/TempDir.h"

namespace {

struct Client {
  std::string name;
  std::function<std::vector<std::string>(const std::string& url, const std::string& file)> command;
  std::string messagePrefix;
  bool writesFinalName = false;
};

struct Row {
  size_t finished = 0, failed = 0, wrong = 0, hung = 0, trials = 0;
  double requests = 0;
  std::vector<double> seconds;
  // Faults touch few trials at low rates, so the mean and the slow tail
  // show their cost where the median would not.
  double Mean() const {
    double sum = 0;
    for (double s : seconds) sum += s;
    return seconds.empty() ? 0 : sum / static_cast<double>(seconds.size());
  }
  double Percentile90() const {
    if (seconds.empty()) return 0;
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, sorted.size() * 9 / 10)];
  }
  double RequestsPerFinished() const { return finished ? requests / static_cast<double>(finished) : 0; }
};

bool Installed(const char* program) {
  std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::vector<Client> Clients(bool peers) {
  const std::string fetch = bench::SelfDirectory() + "/velmora-fetch";
  std::vector<Client> clients;
  for (int connections : {1, 4}) {
    clients.push_back({"velmora-fetch --connections " + std::to_string(connections),
                       [fetch, connections](const std::string& url, const std::string& file) {
                         return VelmoraFetchCommand(fetch, connections, url, file);
                       },
                       "velmora-fetch: ", false});
  }
  if (peers && Installed("curl")) {
    clients.push_back({"curl -C - --retry 10", [](const std::string& url, const std::string& file) {
                         return std::vector<std::string>{"curl", "-sS", "-f", "-C", "-", "--retry", "10",
                                                         "--retry-all-errors", "--retry-max-time", "60", "-o", file,
                                                         url};
                       },
                       "", true});
  } else if (peers) {
    std::printf("curl is not installed; its rows are left out\n");
  }
  if (peers && Installed("aria2c")) {
    clients.push_back({"aria2c -x4 -s4", [](const std::string& url, const std::string& file) {
                         std::filesystem::path path(file);
                         return std::vector<std::string>{
                             "aria2c", "-x4", "-s4", "-k1M", "--max-tries=10", "--retry-wait=1",
                             "--file-allocation=none", "--auto-file-renaming=false", "--console-log-level=error",
                             "--summary-interval=0", "--show-console-readout=false", "--download-result=hide",
                             "-d", path.parent_path().string(), "-o", path.filename().string(), url};
                       },
                       "", true});
  } else if (peers) {
    std::printf("aria2c is not installed (scripts/install-deps.sh --bench); its rows are left out\n");
  }
  return clients;
}

// Every client meets the same seeds at one rate; each rate has seeds of its
// own, so that the rates do not share their first draws.
Row Measure(const Client& client, double rate, size_t trials, size_t bytes, uint64_t firstSeed) {
  Row row;
  for (uint64_t seed = firstSeed; seed < firstSeed + trials; ++seed) {
    TempDir dir;
    TrialSettings settings;
    settings.seed = seed;
    settings.command = client.command;
    settings.messagePrefix = client.messagePrefix;
    settings.failureMayLeaveFile = client.writesFinalName;
    settings.checkRecord = false;
    settings.dir = dir.path();
    settings.rate = rate;
    settings.stickyChance = 0;
    settings.minSize = settings.maxSize = bytes;
    settings.pace = 8 << 20;
    settings.maxKills = 0;
    settings.runBoundMs = 90000;
    TrialResult result = RunFetchTrial(settings);
    ++row.trials;
    switch (result.end) {
      case TrialEnd::Identical:
        ++row.finished;
        row.requests += static_cast<double>(result.requests);
        row.seconds.push_back(result.seconds);
        break;
      case TrialEnd::ClearFailure:
      case TrialEnd::SilentFailure:
        ++row.failed;
        break;
      case TrialEnd::Hung:
        ++row.hung;
        break;
      default:
        ++row.wrong;
        break;
    }
  }
  return row;
}

std::vector<double> ParseRates(const char* text) {
  std::vector<double> rates;
  for (const char* at = text; *at;) {
    char* end = nullptr;
    rates.push_back(std::strtod(at, &end) / 100);
    at = *end == ',' ? end + 1 : end;
    if (end == at && *at) break;
  }
  return rates;
}

}  // namespace

int main(int argc, char** argv) {
  size_t trials = 20, mebibytes = 8;
  bool peers = true;
  std::vector<double> rates = {0, 0.01, 0.02, 0.05, 0.10, 0.25};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trials") == 0 && i + 1 < argc) trials = std::strtoul(argv[++i], nullptr, 10);
    else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) mebibytes = std::strtoul(argv[++i], nullptr, 10);
    else if (std::strcmp(argv[i], "--rates") == 0 && i + 1 < argc) rates = ParseRates(argv[++i]);
    else if (std::strcmp(argv[i], "--no-peers") == 0) peers = false;
    else {
      std::fprintf(stderr, "usage: velmora-bench-faults [--trials N] [--size MIB] [--rates 0,1,2,5,10,25] [--no-peers]\n");
      return 2;
    }
  }
  std::vector<Client> clients = Clients(peers);
  std::printf("%zu trials of %zu MiB per row, each answer at 8 MiB/s; time and requests over finished trials\n\n",
              trials, mebibytes);
  std::printf("| faults per request | client | finished | failed | wrong file | hung | requests per finished | mean s to finish | 90th percentile s | mean time vs velmora |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
  for (size_t r = 0; r < rates.size(); ++r) {
    const double rate = rates[r];
    std::map<std::string, Row> rows;
    for (const Client& client : clients) {
      Row row = Measure(client, rate, trials, mebibytes << 20, 1 + 10000 * r);
      rows[client.name] = row;
      // curl against velmora over one connection, aria2c (four) against four.
      std::string reference = client.name.starts_with("aria2c") ? "velmora-fetch --connections 4"
                              : client.name.starts_with("curl") ? "velmora-fetch --connections 1"
                                                                : "";
      std::string ratio = "—";
      if (!reference.empty() && rows.count(reference) && rows[reference].Mean() > 0 && row.Mean() > 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f×", row.Mean() / rows[reference].Mean());
        ratio = text;
      }
      std::printf("| %.0f %% | %s | %zu/%zu | %zu | %zu | %zu | %.2f | %.2f | %.2f | %s |\n", rate * 100,
                  client.name.c_str(), row.finished, row.trials, row.failed, row.wrong, row.hung,
                  row.RequestsPerFinished(), row.Mean(), row.Percentile90(), ratio.c_str());
      std::fflush(stdout);
    }
  }
  return 0;
}
