#include "tests/dl/stream/support/CorpusServer.h"

#include <dirent.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "platform/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace {

struct Shared {
  TempDir dir;
  CorpusServer server;
  std::unique_ptr<NginxServer> nginx;
  std::string skip;

  Shared() {
    if (NginxServer::FindBinary().empty()) {
      skip = "nginx is not installed";
      return;
    }
    if (!server.corpus.Make(dir.path(), skip)) return;
    nginx = std::make_unique<NginxServer>(dir.path(), dir.path(), false);
    if (!nginx->Start()) skip = "nginx did not start: " + nginx->ErrorLog();
    server.nginx = nginx.get();
  }
};

}  // namespace

std::string CorpusServer::Expected(const std::string& folder) const {
  return StreamCorpus::Joined(corpus.Path(folder), StreamCorpus::ListedFiles(corpus.Path(folder + "/index.m3u8")));
}

const CorpusServer* SharedCorpus(std::string& skip) {
  static Shared shared;
  skip = shared.skip;
  return skip.empty() ? &shared.server : nullptr;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Probe(const std::string& file, const std::string& entry) {
  platform::ChildResult result = platform::RunProgram(
      {TestFfprobe(), "-v", "error", "-show_entries", entry, "-of", "default=noprint_wrappers=1:nokey=1", file}, {});
  std::istringstream lines(result.output);
  std::string joined;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) joined += (joined.empty() ? "" : " ") + line;
  return joined;
}
