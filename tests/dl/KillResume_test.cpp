// A download killed with SIGKILL at random moments and started again each
// time must end byte-identical, and no record may ever claim bytes that the
// part file does not hold.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "dl/PartRecord.h"
#include "platform/Files.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

namespace {

std::string FetchTool() {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  return std::string(bin ? bin : ".") + "/velmora-fetch";
}

pid_t StartFetch(const std::string& url, const std::string& file, int connections) {
  pid_t pid = fork();
  if (pid == 0) {
    std::string tool = FetchTool();
    std::string count = std::to_string(connections);
    execl(tool.c_str(), tool.c_str(), url.c_str(), file.c_str(), "--connections", count.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// -1 when the child was killed by a signal.
int Reap(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Kills the fetch `rounds` times at random moments, checking after each
// that every byte the record claims is the server's byte at that place,
// then lets it finish.
void KillAndResume(const std::string& body, int connections, int rounds, int maxKillMs) {
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource resource{body};
    resource.pace = 1 << 20;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  const std::string file = dir / "k.bin";
  const std::string url = server.Url("/k.bin");
  unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> killAfterMs(20, maxKillMs);
  int finishedEarly = 0, scattered = 0;
  for (int round = 0; round < rounds && !platform::PathExists(file); ++round) {
    int ms = killAfterMs(random);
    pid_t child = StartFetch(url, file, connections);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    kill(child, SIGKILL);
    if (Reap(child) == 0) ++finishedEarly;
    PartRecord record;
    std::string why;
    if (!LoadPartRecord(PartRecordPath(file + ".part"), record, why)) continue;
    scattered += record.done.size() > 1;
    std::string part = ReadFileBytes(file + ".part");
    for (const auto& [start, end] : record.done) {
      bool held = end <= static_cast<int64_t>(part.size()) &&
                  part.compare(static_cast<size_t>(start), static_cast<size_t>(end - start), body,
                               static_cast<size_t>(start), static_cast<size_t>(end - start)) == 0;
      EXPECT_TRUE(held) << "seed " << seed << " round " << round << " after " << ms << " ms: range " << start << "-"
                        << end;
    }
  }
  if (!platform::PathExists(file)) {
    pid_t last = StartFetch(url, file, connections);
    ASSERT_EQ(Reap(last), 0) << "seed " << seed;
  }
  EXPECT_TRUE(ReadFileBytes(file) == body) << "seed " << seed;
  EXPECT_FALSE(platform::PathExists(file + ".part"));
  // Resumed runs asked for the rest, not for everything again.
  size_t resumed = 0;
  for (const auto& request : server.requests()) resumed += !request.Header("Range").empty();
  EXPECT_GT(resumed, 0u) << "seed " << seed << ", " << finishedEarly << " runs finished before their kill";
  if (connections > 1) {
    EXPECT_GT(scattered, 0) << "seed " << seed << ": no kill caught ranges of several connections";
  }
}

}  // namespace

TEST(KillResume, TwentyRandomKillsThenAByteIdenticalFile) {
  KillAndResume(PatternBytes(6 << 20), 1, 20, 1800);
}

TEST(KillResume, KillsDuringAFourConnectionDownloadLoseNoRange) {
  KillAndResume(PatternBytes(16 << 20, 9), 4, 12, 1500);
}

// A resume answered by ranges without a body (the server declares the rest
// and sends nothing) must end the command with a failure, never keep it
// running, and keep what was held for a later run.
TEST(KillResume, EmptyRangesOnAResumeEndTheCommandWithAFailure) {
  const std::string body = PatternBytes(6 << 20);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    std::string range = request.Header("Range");
    if (range.empty()) return ServeResource(request, peer, Resource{body});
    int64_t from = std::atoll(range.c_str() + 6);
    peer.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-" +
              std::to_string(body.size() - 1) + "/" + std::to_string(body.size()) +
              "\r\nETag: \"v1\"\r\nContent-Length: 0\r\n\r\n");
  });
  for (int connections : {1, 4}) {
    TempDir dir;
    const std::string file = dir / "e.bin";
    WriteFileBytes(file + ".part", body.substr(0, 1 << 20));
    PartRecord record;
    record.source = record.url = server.Url("/e.bin");
    record.total = static_cast<int64_t>(body.size());
    record.etag = "\"v1\"";
    record.AddDone(0, 1 << 20);
    ASSERT_EQ(SavePartRecord(PartRecordPath(file + ".part"), record), 0);
    int status = Reap(StartFetch(server.Url("/e.bin"), file, connections));
    EXPECT_NE(status, 0) << connections;
    EXPECT_NE(status, 127) << "velmora-fetch did not start";
    EXPECT_FALSE(platform::PathExists(file));
    PartRecord after;
    std::string why;
    ASSERT_TRUE(LoadPartRecord(PartRecordPath(file + ".part"), after, why)) << why;
    EXPECT_GE(after.ContiguousDone(), 1 << 20);
  }
}
