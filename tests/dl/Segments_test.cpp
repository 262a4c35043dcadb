// One file over several connections: the same bytes whatever the count,
// every range resumed after a pause, a server that stops honouring ranges,
// a file that changes on the server meanwhile, one limit for all
// connections of a task, and a proxy carrying each of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "dl/DownloadEngine.h"
#include "dl/PartRecord.h"
#include "net/WProxySettings.h"
#include "platform/Files.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/net/support/TestProxy.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t MiB = 1 << 20;

TaskOptions Connections(int count, int64_t limit = 0) {
  TaskOptions options;
  options.connections = count;
  options.limit = limit;
  return options;
}

// Connections this process has open to `port` right now, as the kernel
// lists them: what the client holds, whatever the server has yet to notice.
int EstablishedTo(uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the column names
  // The table is read in pages while it changes: a socket may show twice.
  std::set<std::string> seen;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    size_t colon = remote.find(':');
    if (state == "01" && colon != std::string::npos && std::stoul(remote.substr(colon + 1), nullptr, 16) == port)
      seen.insert(local);
  }
  return static_cast<int>(seen.size());
}

// Samples EstablishedTo every few milliseconds while it lives.
class ConnectionSampler {
 public:
  explicit ConnectionSampler(uint16_t port)
      : thread_([this, port] {
          while (!done_) {
            most_ = std::max(most_.load(), EstablishedTo(port));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  ~ConnectionSampler() {
    done_ = true;
    thread_.join();
  }
  int most() const { return most_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<int> most_{0};
  std::thread thread_;
};

// A server's handler offering `body` with ranges, each answer paced.
HttpTestServer::Handler ServePaced(const std::string& body, int64_t bytesPerSecond) {
  return [&body, bytesPerSecond](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource resource{body};
    resource.pace = bytesPerSecond;
    ServeResource(request, peer, resource);
  };
}

std::vector<HttpRequest> RequestsFor(const HttpTestServer& server, const std::string& target) {
  std::vector<HttpRequest> found;
  for (const auto& request : server.requests())
    if (request.target == target) found.push_back(request);
  return found;
}

}  // namespace

TEST(Segments, OneFourAndSixteenConnectionsGiveTheSameBytesWithAtMostThatManyAtOnce) {
  const std::string body = PatternBytes(12 * MiB, 41);
  HttpTestServer server(ServePaced(body, 12 << 20));
  TempDir dir;
  DownloadEngine engine(FastSettings());
  for (int count : {1, 4, 16}) {
    std::string name = "c" + std::to_string(count) + ".bin";
    int most = 0;
    TaskSnapshot end;
    {
      ConnectionSampler sampler(server.port());
      end = WaitForEnd(engine, AddTask(engine, server.Url("/" + name), dir.path(), Connections(count)), 60000);
      most = sampler.most();
    }
    ASSERT_EQ(end.state, TaskState::Done) << count << ": " << end.error;
    EXPECT_TRUE(ReadFileBytes(dir / name) == body) << count << " connections";
    EXPECT_FALSE(platform::PathExists(dir / (name + ".part.rec")));
    EXPECT_LE(most, count);
    if (count > 1) {
      EXPECT_GE(most, std::min(count, 4)) << count << " connections";
    }
  }
  auto single = RequestsFor(server, "/c1.bin");
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].Header("Range"), "");
  // Extra connections ask for a closed range, tied to the version first seen.
  for (const auto& request : RequestsFor(server, "/c4.bin")) {
    if (request.Header("Range").empty()) continue;
    EXPECT_NE(request.Header("Range").find('-'), request.Header("Range").size() - 1) << request.Header("Range");
    EXPECT_EQ(request.Header("If-Range"), "\"v1\"");
  }
}

TEST(Segments, APausedTransferKeepsEveryRangeAndResumesOnlyWhatIsMissing) {
  const std::string body = PatternBytes(12 * MiB, 42);
  HttpTestServer server(ServePaced(body, 2 << 20));
  TempDir dir;
  DownloadEngine engine(FastSettings());
  int64_t id = AddTask(engine, server.Url("/p.bin"), dir.path(), Connections(4));
  ASSERT_TRUE(Eventually([&] { return engine.Info(id)->done > static_cast<int64_t>(4 * MiB); }, 10000));
  std::string error;
  ASSERT_TRUE(engine.Pause(id, error)) << error;
  PartRecord record;
  ASSERT_TRUE(LoadPartRecord(dir / "p.bin.part.rec", record, error)) << error;
  EXPECT_GT(record.done.size(), 1u) << "ranges from several connections";
  // Every byte the record claims is on disk, at its place.
  std::string part = ReadFileBytes(dir / "p.bin.part");
  ASSERT_EQ(part.size(), body.size());  // made full size up front
  for (const auto& [start, end] : record.done)
    EXPECT_TRUE(part.compare(start, end - start, body, start, end - start) == 0) << start << "-" << end;
  size_t before = server.requests().size();
  ASSERT_TRUE(engine.Start(id, error)) << error;
  TaskSnapshot end = WaitForEnd(engine, id, 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "p.bin") == body);
  // Nothing recorded was asked for again.
  auto requests = server.requests();
  for (size_t i = before; i < requests.size(); ++i) {
    std::string range = requests[i].Header("Range");
    ASSERT_TRUE(range.starts_with("bytes=")) << "a resumed request asked for the whole file";
    int64_t from = std::atoll(range.c_str() + 6);
    for (const auto& [start, finish] : record.done)
      EXPECT_FALSE(from >= start && from < finish) << range << " starts inside done " << start << "-" << finish;
  }
}

TEST(Segments, RangeAnomaliesLeaveOneConnectionAndNeverMixVersions) {
  const std::string v1 = PatternBytes(10 * MiB, 1), v2 = PatternBytes(10 * MiB, 2);
  std::atomic<int> ranged{0}, changedAnswers{0};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    bool asksRange = !request.Header("Range").empty();
    if (request.target == "/then200.bin") {
      // The first range is served; every later one gets the whole file.
      Resource resource{v1, "\"v1\"", !asksRange || ++ranged == 1};
      resource.pace = 8 << 20;
      return ServeResource(request, peer, resource);
    }
    if (request.target == "/shifted.bin" && asksRange) {
      std::string head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-99/" + std::to_string(v1.size()) +
                         "\r\nContent-Length: 100\r\n\r\n";
      peer.Send(head + v1.substr(0, 100));
      return;
    }
    if (request.target == "/changing.bin") {
      // The first answer is of one version; every later one of another.
      bool first = ++changedAnswers == 1;
      Resource resource{first ? v1 : v2, first ? "\"v1\"" : "\"v2\""};
      resource.pace = 8 << 20;
      return ServeResource(request, peer, resource);
    }
    Resource resource{v1};
    resource.pace = 8 << 20;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  for (const char* name : {"then200.bin", "shifted.bin"}) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(std::string("/") + name), dir.path(), Connections(4)), 30000);
    ASSERT_EQ(end.state, TaskState::Done) << name << ": " << end.error;
    EXPECT_TRUE(ReadFileBytes(dir / name) == v1) << name;
  }
  TaskSnapshot changed = WaitForEnd(engine, AddTask(engine, server.Url("/changing.bin"), dir.path(), Connections(4)), 30000);
  ASSERT_EQ(changed.state, TaskState::Done) << changed.error;
  EXPECT_TRUE(ReadFileBytes(dir / "changing.bin") == v2) << "the new version, whole";
}

TEST(Segments, TheTaskLimitHoldsForAllConnectionsTogether) {
  const std::string body = PatternBytes(8 * MiB, 43);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  ConnectionSampler sampler(server.port());
  TempDir dir;
  DownloadEngine engine(FastSettings());
  const int64_t limit = 1000000;
  int64_t id = AddTask(engine, server.Url("/l.bin"), dir.path(), Connections(4, limit));
  ASSERT_TRUE(Eventually([&] { return engine.Info(id)->done > 0; }));
  auto start = Clock::now();
  int64_t startBytes = engine.Info(id)->done;
  std::this_thread::sleep_for(std::chrono::seconds(3));
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  double rate = static_cast<double>(engine.Info(id)->done - startBytes) / seconds;
  EXPECT_NEAR(rate, static_cast<double>(limit), limit * 0.15);
  EXPECT_GT(sampler.most(), 1) << "the limit was shared, not met by using one connection";
  std::string error;
  EXPECT_TRUE(engine.Remove(id, true, error)) << error;
}

TEST(Segments, AProxyCarriesEveryConnectionOfATask) {
  const std::string body = PatternBytes(8 * MiB, 44);
  HttpTestServer origin(ServePaced(body, 8 << 20));
  TestProxy proxy;
  std::string error;
  ASSERT_TRUE(WProxySettings::SetProgramProxy("http://127.0.0.1:" + std::to_string(proxy.port()), error)) << error;
  TempDir dir;
  {
    DownloadEngine engine(FastSettings());
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, origin.Url("/x.bin"), dir.path(), Connections(4)), 30000);
    EXPECT_EQ(end.state, TaskState::Done) << end.error;
  }
  ASSERT_TRUE(WProxySettings::SetProgramProxy("", error));
  EXPECT_TRUE(ReadFileBytes(dir / "x.bin") == body);
  EXPECT_GT(origin.requests().size(), 1u);
  EXPECT_EQ(proxy.forwards(), origin.requests().size());
}

TEST(Segments, AServerAllowingFewerConnectionsStillGetsTheFileOverThoseItAllows) {
  const std::string body = PatternBytes(10 * MiB, 45);
  std::atomic<int> open{0};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (++open > 2) {
      peer.Send("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n");
    } else {
      Resource resource{body};
      resource.pace = 8 << 20;
      ServeResource(request, peer, resource);
    }
    --open;
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/two.bin"), dir.path(), Connections(8)), 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "two.bin") == body);
}

TEST(Segments, AFailedWriteOnAnyConnectionFailsTheTaskAndALaterStartContinues) {
  const std::string body = PatternBytes(8 * MiB, 46);
  HttpTestServer server(ServePaced(body, 8 << 20));
  TempDir dir;
  DownloadEngine engine(FastSettings());
  int64_t id = 0;
  TaskSnapshot failed;
  {
    FullDisk disk(3 * MiB, FullDisk::Scope::DataWrites);
    id = AddTask(engine, server.Url("/full.bin"), dir.path(), Connections(4));
    failed = WaitForEnd(engine, id, 30000);
  }
  ASSERT_EQ(failed.state, TaskState::Failed);
  EXPECT_NE(failed.error.find(std::strerror(ENOSPC)), std::string::npos) << failed.error;
  EXPECT_EQ(failed.cause, FailureCause::Disk);
  PartRecord record;
  std::string error;
  ASSERT_TRUE(LoadPartRecord(dir / "full.bin.part.rec", record, error)) << error;
  EXPECT_GT(CoveredBytes(record.done), 0);
  ASSERT_TRUE(engine.Start(id, error)) << error;
  TaskSnapshot end = WaitForEnd(engine, id, 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "full.bin") == body);
}
