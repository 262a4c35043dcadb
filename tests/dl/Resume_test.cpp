// Continuing a partial file: only a matching 206 is appended; everything
// else restarts, finishes or fails with the partial file kept.
#include <gtest/gtest.h>

#include "dl/PartRecord.h"
#include "platform/Files.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

namespace {

TaskOptions Named(const std::string& name) {
  TaskOptions options;
  options.name = name;
  return options;
}

}  // namespace

TEST(Resume, ACutTransferAsksForTheRestWithIfRange) {
  const std::string body = PatternBytes(400000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t connection) {
    Resource resource{body};
    if (connection == 0) resource.cutAfter = 150000;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/f.bin"), dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "f.bin") == body);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("Range"), "");
  EXPECT_EQ(requests[1].Header("Range"), "bytes=150000-");
  EXPECT_EQ(requests[1].Header("If-Range"), "\"v1\"");
}

TEST(Resume, AddingATaskWhosePartAndRecordExistContinuesIt) {
  const std::string body = PatternBytes(100000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  std::string url = server.Url("/c.bin");
  LeavePartial(dir.path(), "c.bin", url, body.substr(0, 30000), 100000);
  // The record may lag behind the data: bytes past it are not trusted.
  WriteFileBytes(dir / "c.bin.part", body.substr(0, 30000) + "garbage past the record");
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, url, dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "c.bin") == body);
  EXPECT_EQ(server.requests().at(0).Header("Range"), "bytes=30000-");
}

TEST(Resume, AServerIgnoringRangeOrAChangedFileRestartsFromZero) {
  const std::string v1 = PatternBytes(80000, 1), v2 = PatternBytes(80000, 2);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/norange.bin") return ServeResource(request, peer, Resource{v1, "\"v1\"", false});
    ServeResource(request, peer, Resource{v2, "\"v2\""});
  });
  TempDir dir;
  LeavePartial(dir.path(), "norange.bin", server.Url("/norange.bin"), v1.substr(0, 20000), 80000);
  LeavePartial(dir.path(), "changed.bin", server.Url("/changed.bin"), v1.substr(0, 20000), 80000);
  DownloadEngine engine(FastSettings());
  TaskSnapshot ignored = WaitForEnd(engine, AddTask(engine, server.Url("/norange.bin"), dir.path(), Named("norange.bin")));
  ASSERT_EQ(ignored.state, TaskState::Done) << ignored.error;
  EXPECT_TRUE(ReadFileBytes(dir / "norange.bin") == v1);  // not 20000 + 80000 bytes
  TaskSnapshot changed = WaitForEnd(engine, AddTask(engine, server.Url("/changed.bin"), dir.path(), Named("changed.bin")));
  ASSERT_EQ(changed.state, TaskState::Done) << changed.error;
  EXPECT_TRUE(ReadFileBytes(dir / "changed.bin") == v2);  // the new file, same size, whole
}

TEST(Resume, AWrongContentRangeFailsAndKeepsThePartialFile) {
  const std::string body = PatternBytes(50000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/shifted.bin")
      return void(peer.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 10000-49999/50000\r\n"
                            "Content-Length: 40000\r\n\r\n" + body.substr(10000)));
    peer.Send("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 20000-59999/60000\r\n"
              "Content-Length: 40000\r\n\r\n" + body.substr(10000));
  });
  TempDir dir;
  LeavePartial(dir.path(), "shifted.bin", server.Url("/shifted.bin"), body.substr(0, 20000), 50000);
  LeavePartial(dir.path(), "grown.bin", server.Url("/grown.bin"), body.substr(0, 20000), 50000);
  DownloadEngine engine(FastSettings());
  for (const char* name : {"shifted.bin", "grown.bin"}) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(std::string("/") + name), dir.path(), Named(name)));
    EXPECT_EQ(end.state, TaskState::Failed) << name;
    EXPECT_NE(end.error.find("partial file is kept"), std::string::npos) << end.error;
    // Another length means another file; a misplaced range of this one is a bad answer.
    EXPECT_STREQ(FailureCauseName(end.cause), name == std::string("grown.bin") ? "changed-file" : "bad-answer");
    EXPECT_TRUE(ReadFileBytes(dir / name + ".part") == body.substr(0, 20000)) << name;
    EXPECT_TRUE(platform::PathExists(PartRecordPath(dir / name + ".part")));
    EXPECT_FALSE(platform::PathExists(dir / name));
  }
}

TEST(Resume, A416OnACompleteFileFinishesIt) {
  const std::string body = PatternBytes(30000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  LeavePartial(dir.path(), "whole.bin", server.Url("/whole.bin"), body, 30000);
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/whole.bin"), dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "whole.bin") == body);
  EXPECT_EQ(server.requests().at(0).Header("Range"), "bytes=30000-");
}

TEST(Resume, AStalledConnectionIsReplacedAndTheTransferContinues) {
  const std::string body = PatternBytes(200000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t connection) {
    Resource resource{body};
    if (connection == 0) resource.stallAfter = 70000;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  EngineSettings settings = FastSettings();
  settings.stallTimeoutSeconds = 1;
  DownloadEngine engine(settings);
  auto started = std::chrono::steady_clock::now();
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/s.bin"), dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_TRUE(ReadFileBytes(dir / "s.bin") == body);
  EXPECT_EQ(server.requests().at(1).Header("Range"), "bytes=70000-");
}

TEST(Resume, ASilentServerFailsTheTaskWithTheReason) {
  HttpTestServer server([&](const HttpRequest&, ServerPeer& peer, size_t) { peer.Silence(10000); });
  TempDir dir;
  EngineSettings settings = FastSettings();
  settings.stallTimeoutSeconds = 1;
  settings.retry.noProgressLimitSeconds = 3;
  DownloadEngine engine(settings);
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/quiet"), dir.path()), 10000);
  EXPECT_EQ(end.state, TaskState::Failed);
  EXPECT_NE(end.error.find("no data for 1 s"), std::string::npos) << end.error;
  EXPECT_EQ(end.cause, FailureCause::Stall);
}

TEST(Resume, AFullDiskFailsWithTheSystemsMessageAndALaterStartContinues) {
  const std::string body = PatternBytes(600000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  int64_t id = 0;
  TaskSnapshot failed;
  {
    FullDisk disk(300000, FullDisk::Scope::DataWrites);
    id = AddTask(engine, server.Url("/big.bin"), dir.path());
    failed = WaitForEnd(engine, id);
  }
  ASSERT_EQ(failed.state, TaskState::Failed);
  EXPECT_NE(failed.error.find("No space left on device"), std::string::npos) << failed.error;
  EXPECT_EQ(failed.cause, FailureCause::Disk);
  EXPECT_TRUE(platform::PathExists(dir / "big.bin.part"));
  std::string error;
  ASSERT_TRUE(engine.Start(id, error));
  TaskSnapshot done = WaitForEnd(engine, id);
  ASSERT_EQ(done.state, TaskState::Done) << done.error;
  EXPECT_EQ(done.cause, FailureCause::None) << "a new start forgets why the last one failed";
  EXPECT_TRUE(ReadFileBytes(dir / "big.bin") == body);
  // Continued from what the record vouches for, not from byte 0.
  long long from = std::atoll(server.requests().back().Header("Range").c_str() + 6);
  EXPECT_GT(from, 0);
  EXPECT_LE(from, 300000);
}

TEST(Resume, NoSpaceForTheWholeLengthFailsBeforeWriting) {
  HttpTestServer server([&](const HttpRequest&, ServerPeer& peer, size_t) {
    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 1152921504606846976\r\n\r\n");
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/huge.iso"), dir.path()));
  EXPECT_EQ(end.state, TaskState::Failed);
  EXPECT_EQ(end.error.rfind("no space: 1152921504606846976 bytes needed, ", 0), 0u) << end.error;
}

TEST(Resume, AServerThatClosesBeforeAnsweringIsTriedAgain) {
  const std::string body = PatternBytes(10000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t connection) {
    if (connection == 0) return;  // closes at once
    if (connection == 1) return void(peer.Send("HTTP/1.1 200 OK\r\nContent-Le"));
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/late.bin"), dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "late.bin") == body);
  EXPECT_EQ(server.connections(), 3u);
}
