#include "tests/dl/support/FetchTrial.h"

#include <chrono>
#include <random>

#include "dl/PartRecord.h"
#include "platform/ChildProcess.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

namespace {

// The version `bytes` equals, or -1.
int VersionOf(const FaultServer& server, const std::string& bytes) {
  const auto& versions = server.versions();
  for (size_t k = 0; k < versions.size(); ++k)
    if (versions[k].body == bytes) return static_cast<int>(k);
  return -1;
}

// What the record beside the part claims that is not so; empty when all
// holds (or there is no record yet).
std::vector<std::string> CheckRecord(const FaultServer& server, const std::string& file) {
  const std::string part = file + ".part";
  PartRecord record;
  std::string why;
  if (!LoadPartRecord(PartRecordPath(part), record, why) || record.done.empty()) return {};
  const FileVersion* named = nullptr;
  for (const FileVersion& version : server.versions()) {
    if (!record.etag.empty() ? record.etag == version.etag : record.lastModified == version.lastModified)
      named = &version;
  }
  if (!named)
    return {"the record names no version the server sent (etag '" + record.etag + "', modified '" +
            record.lastModified + "') yet claims " + std::to_string(record.done.size()) + " ranges"};
  std::vector<std::string> faults;
  const std::string bytes = ReadFileBytes(part);
  const auto size = static_cast<int64_t>(named->body.size());
  for (const auto& [start, end] : record.done) {
    bool held = end <= size && end <= static_cast<int64_t>(bytes.size()) &&
                bytes.compare(static_cast<size_t>(start), static_cast<size_t>(end - start), named->body,
                              static_cast<size_t>(start), static_cast<size_t>(end - start)) == 0;
    if (!held)
      faults.push_back("the record claims " + std::to_string(start) + "-" + std::to_string(end) + " of " +
                       named->etag + " (" + std::to_string(size) + " bytes) but the part holds other bytes");
  }
  return faults;
}

TrialEnd Judge(const TrialSettings& settings, const FaultServer& server, const platform::ChildEnd& end, const std::string& file,
               const std::string& message, int& version) {
  if (!end.exited) return TrialEnd::Crashed;
  const bool present = platform::PathExists(file);
  const std::string bytes = present ? ReadFileBytes(file) : std::string();
  version = present ? VersionOf(server, bytes) : -1;
  // Also after a failed exit: a run killed between the rename and its exit
  // leaves the whole file, and the next run refuses to overwrite it.
  if (version >= 0) return TrialEnd::Identical;
  if (end.code == 0) {
    if (!present) return TrialEnd::SilentFailure;
    return bytes == FaultServer::WebPage() ? TrialEnd::WebPageSaved : TrialEnd::WrongFile;
  }
  if (present && version < 0 && !settings.failureMayLeaveFile)
    return bytes == FaultServer::WebPage() ? TrialEnd::WebPageSaved : TrialEnd::WrongFile;
  bool spoke = settings.messagePrefix.empty() ? !message.empty() : message.starts_with(settings.messagePrefix);
  return spoke ? TrialEnd::ClearFailure : TrialEnd::SilentFailure;
}

}  // namespace

const char* TrialEndName(TrialEnd end) {
  static const char* const kNames[] = {"identical", "clear failure", "web page saved", "wrong file",
                                       "silent failure", "hung", "crashed"};
  static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(TrialEnd::kCount));
  return kNames[static_cast<size_t>(end)];
}

std::vector<std::string> VelmoraFetchCommand(const std::string& tool, int connections, const std::string& url,
                                             const std::string& file) {
  return {tool, url, file, "--connections", std::to_string(connections)};
}

TrialResult RunFetchTrial(const TrialSettings& settings) {
  std::mt19937_64 random(settings.seed ^ 0x9e3779b97f4a7c15ull);
  auto between = [&random](int64_t low, int64_t high) {
    return low + static_cast<int64_t>(random() % static_cast<uint64_t>(high - low + 1));
  };
  FaultSettings serverSettings;
  serverSettings.seed = settings.seed;
  serverSettings.rate = settings.rate;
  serverSettings.stickyChance = settings.stickyChance;
  serverSettings.size = static_cast<size_t>(
      between(static_cast<int64_t>(settings.minSize), static_cast<int64_t>(std::max(settings.minSize, settings.maxSize))));
  serverSettings.pace = settings.pace;
  serverSettings.kinds = settings.kinds;
  FaultServer server(serverSettings);

  TrialResult result;
  const std::string file = settings.dir + "/data.bin";
  const std::string errors = settings.dir + "/stderr.txt";
  const int kills = static_cast<int>(between(0, settings.maxKills));
  const auto started = std::chrono::steady_clock::now();
  for (;;) {
    platform::ChildProcess child(settings.command(server.Url(), file), errors);
    ++result.runs;
    if (!child.started()) {
      result.message = "the client could not be started";
      break;
    }
    std::optional<platform::ChildEnd> end;
    if (result.kills < kills) {
      end = child.WaitFor(static_cast<int>(between(settings.minKillMs, settings.maxKillMs)));
      if (!end) {
        child.Kill();
        ++result.kills;
        if (settings.checkRecord) {
          for (std::string& fault : CheckRecord(server, file))
            result.recordFaults.push_back("after kill " + std::to_string(result.kills) + ": " + fault);
        }
        continue;
      }
    } else {
      end = child.WaitFor(settings.runBoundMs);
    }
    result.message = ReadFileBytes(errors);
    if (!end) {
      child.Kill();
      result.end = TrialEnd::Hung;
    } else {
      result.end = Judge(settings, server, *end, file, result.message, result.version);
      // A failed task keeps its part for a refreshed link: the record must
      // still be true.
      if (settings.checkRecord && result.end == TrialEnd::ClearFailure) {
        for (std::string& fault : CheckRecord(server, file)) result.recordFaults.push_back("after the failure: " + fault);
      }
    }
    break;
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.requests = server.requests();
  result.serverLog = server.Describe();
  return result;
}
