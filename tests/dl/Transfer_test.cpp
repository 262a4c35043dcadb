// What reaches the disk: exactly the resource, however the server frames or
// codes it, and nothing else.
#include <gtest/gtest.h>

#include "dl/PartRecord.h"
#include "net/WProxySettings.h"
#include "platform/Files.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/TestProxy.h"
#include "tests/support/TempDir.h"

namespace {

std::string Chunked(const std::string& body) {
  std::string out;
  size_t sizes[] = {1, 4095, 70000, 13};
  size_t at = 0;
  for (size_t i = 0; at < body.size(); ++i) {
    size_t take = std::min(sizes[i % 4], body.size() - at);
    char line[32];
    std::snprintf(line, sizeof line, "%zx\r\n", take);
    out += line + body.substr(at, take) + "\r\n";
    at += take;
  }
  return out + "0\r\n\r\n";
}

}  // namespace

TEST(Transfer, SavesIdentityChunkedAndCloseDelimitedBodiesByteForByte) {
  const std::string body = PatternBytes(300000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/identity.bin") return ServeResource(request, peer, Resource{body});
    if (request.target == "/chunked.bin")
      return void(peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(body)));
    if (request.target == "/http10.bin") return void(peer.Send("HTTP/1.0 200 OK\r\n\r\n" + body));
    if (request.target == "/interim.bin")
      return void(peer.Send("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </x>\r\n\r\n"
                            "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"));
    if (request.target == "/empty.bin") return void(peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  for (const char* name : {"identity.bin", "chunked.bin", "http10.bin"}) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(std::string("/") + name), dir.path()));
    EXPECT_EQ(TaskStateName(end.state), std::string("done")) << name << ": " << end.error;
    EXPECT_EQ(end.file, dir / name);
    EXPECT_TRUE(ReadFileBytes(dir / name) == body) << name;
    EXPECT_FALSE(platform::PathExists(dir / name + ".part"));
    EXPECT_FALSE(platform::PathExists(PartRecordPath(dir / name + ".part")));
  }
  TaskSnapshot interim = WaitForEnd(engine, AddTask(engine, server.Url("/interim.bin"), dir.path()));
  EXPECT_EQ(interim.state, TaskState::Done) << interim.error;
  EXPECT_EQ(ReadFileBytes(dir / "interim.bin"), "hello");
  TaskSnapshot empty = WaitForEnd(engine, AddTask(engine, server.Url("/empty.bin"), dir.path()));
  EXPECT_EQ(empty.state, TaskState::Done) << empty.error;
  EXPECT_TRUE(platform::PathExists(dir / "empty.bin"));
  for (const auto& request : server.requests())
    EXPECT_NE(request.text.find("\r\nAccept-Encoding: identity\r\n"), std::string::npos);
}

TEST(Transfer, DecodesAServerCompressedBodyWithoutAByteOrderMark) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + " of some text\n";
  const std::string gzip = GzipBytes(text);
  HttpTestServer server([&](const HttpRequest&, ServerPeer& peer, size_t) {
    peer.Send("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(gzip.size()) +
              "\r\n\r\n" + gzip);
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/t.txt"), dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "t.txt") == text);
}

TEST(Transfer, NeverWritesAnErrorPageOrABadlyFramedBody) {
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/missing")
      return void(peer.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!"));
    if (request.target == "/negative")
      return void(peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nhello\r\n0\r\n\r\n"));
    if (request.target == "/overflow")
      return void(peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000001\r\nx\r\n0\r\n\r\n"));
    if (request.target == "/damaged")
      return void(peer.Send("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 12\r\n\r\nnot gzip!!!!"));
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot missing = WaitForEnd(engine, AddTask(engine, server.Url("/missing"), dir.path()));
  EXPECT_EQ(missing.state, TaskState::Failed);
  EXPECT_EQ(missing.code, NotFound);
  EXPECT_EQ(missing.cause, FailureCause::HttpStatus);
  EXPECT_EQ(missing.error, "server answered 404 Not Found");
  EXPECT_FALSE(platform::PathExists(dir / "missing"));
  EXPECT_FALSE(platform::PathExists(dir / "missing.part"));
  for (const char* path : {"/negative", "/overflow", "/damaged"}) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(path), dir.path()));
    EXPECT_EQ(end.state, TaskState::Failed) << path;
    EXPECT_FALSE(end.error.empty()) << path;
    EXPECT_EQ(end.cause, FailureCause::BadAnswer) << path;
    EXPECT_FALSE(platform::PathExists(dir.path() + path));
  }
}

TEST(Transfer, RefusedConnectionsFailWithTheSystemsReasonAfterFiveTries) {
  uint16_t port;
  {
    HttpTestServer probe([](const HttpRequest&, ServerPeer&, size_t) {});
    port = probe.port();
  }
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end =
      WaitForEnd(engine, AddTask(engine, "http://127.0.0.1:" + std::to_string(port) + "/x", dir.path()));
  EXPECT_EQ(end.state, TaskState::Failed);
  EXPECT_EQ(end.code, NetConnectError);
  EXPECT_EQ(end.cause, FailureCause::Refused);
  EXPECT_NE(end.error.find("connection refused"), std::string::npos) << end.error;
  EXPECT_NE(end.error.find("after 5 tries"), std::string::npos) << end.error;
}

TEST(Transfer, ChecksTheDigestAndFollowsRedirects) {
  const std::string body = PatternBytes(5000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/old") return void(peer.Send("HTTP/1.1 302 Found\r\nLocation: /new.bin\r\nContent-Length: 0\r\n\r\n"));
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskOptions good;
  good.name = "good.bin";
  good.sha256 = "0000000000000000000000000000000000000000000000000000000000000000";
  TaskSnapshot wrong = WaitForEnd(engine, AddTask(engine, server.Url("/old"), dir.path(), good));
  EXPECT_EQ(wrong.state, TaskState::Failed);
  EXPECT_NE(wrong.error.find("SHA-256"), std::string::npos);
  EXPECT_EQ(wrong.cause, FailureCause::Checksum);
  EXPECT_FALSE(platform::PathExists(dir / "good.bin"));
  TaskSnapshot redirected = WaitForEnd(engine, AddTask(engine, server.Url("/old"), dir.path()));
  EXPECT_EQ(redirected.state, TaskState::Done) << redirected.error;
  EXPECT_EQ(redirected.name, "new.bin");
  std::string error;
  EXPECT_EQ(engine.Add(server.Url("/x"), dir.path(), TaskOptions{"", 0, "abc", true, {}}, error), 0);
  EXPECT_EQ(engine.Add("ftp://127.0.0.1/x", dir.path(), {}, error), 0);
  EXPECT_EQ(engine.Add(server.Url("/x"), dir / "nowhere", {}, error), 0);
  EXPECT_NE(error.find("folder does not exist"), std::string::npos);
}

TEST(Transfer, AServerThatNeverSendsUsableBytesFailsTheTaskInsteadOfPausingIt) {
  // A coded range cannot be appended, so each answer asks for another one
  // without a byte written: the task must give up, not end up paused.
  HttpTestServer server([](const HttpRequest&, ServerPeer& peer, size_t) {
    peer.Send("HTTP/1.1 206 Partial Content\r\nContent-Encoding: gzip\r\nContent-Range: bytes 0-9/10\r\n"
              "Content-Length: 10\r\n\r\n0123456789");
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/coded.bin"), dir.path()));
  EXPECT_EQ(TaskStateName(end.state), std::string("failed")) << end.error;
  EXPECT_EQ(end.code, HttpTypeError);
  EXPECT_EQ(end.cause, FailureCause::BadAnswer);
  EXPECT_NE(end.error.find("after 5 tries"), std::string::npos) << end.error;
  EXPECT_FALSE(platform::PathExists(dir / "coded.bin"));
}

TEST(Transfer, RelativeRedirectsWithQueriesLeadWhereTheyPoint) {
  const std::string body = PatternBytes(3000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    auto redirect = [&](const std::string& to) {
      peer.Send("HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n");
    };
    if (request.target == "/dl/get?id=1") return redirect("?id=2");
    if (request.target == "/dl/get?id=2") return redirect("file.bin?from=/a/b/c");
    if (request.target == "/dl/file.bin?from=/a/b/c") return ServeResource(request, peer, Resource{body});
    peer.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url("/dl/get?id=1"), dir.path()));
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(end.finalUrl, server.Url("/dl/file.bin?from=/a/b/c"));
  EXPECT_EQ(end.name, "file.bin");
  EXPECT_TRUE(ReadFileBytes(dir / "file.bin") == body);
}

TEST(Transfer, ARedirectNowhereOrToAnotherSchemeFailsNamingIt) {
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    std::string location = request.target == "/empty" ? "" : "ftp://127.0.0.1/file.bin";
    peer.Send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot empty = WaitForEnd(engine, AddTask(engine, server.Url("/empty"), dir.path()));
  EXPECT_EQ(empty.state, TaskState::Failed);
  EXPECT_EQ(empty.cause, FailureCause::Redirect);
  EXPECT_NE(empty.error.find("empty Location"), std::string::npos) << empty.error;
  TaskSnapshot other = WaitForEnd(engine, AddTask(engine, server.Url("/other"), dir.path()));
  EXPECT_EQ(other.state, TaskState::Failed);
  EXPECT_EQ(other.cause, FailureCause::Redirect);
  EXPECT_NE(other.error.find("\"ftp://127.0.0.1/file.bin\""), std::string::npos) << other.error;
  // One request each: nothing was asked of the parent folder or of ftp.
  EXPECT_EQ(server.requests().size(), 2u);
}

TEST(Transfer, ReachesAnIpv6HostStraightAndThroughAProxy) {
  const std::string body = PatternBytes(70000);
  LoopbackServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 70000\r\n\r\n" + body), true);
  TestProxy proxy;
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskSnapshot straight = WaitForEnd(engine, AddTask(engine, server.Url("/a.bin"), dir.path()));
  EXPECT_EQ(straight.state, TaskState::Done) << straight.error;
  EXPECT_TRUE(ReadFileBytes(dir / "a.bin") == body);
  std::string error;
  ASSERT_TRUE(WProxySettings::SetProgramProxy(proxy.Url(), error)) << error;
  TaskSnapshot proxied = WaitForEnd(engine, AddTask(engine, server.Url("/b.bin"), dir.path()));
  WProxySettings::SetProgramProxy("", error);
  EXPECT_EQ(proxied.state, TaskState::Done) << proxied.error;
  EXPECT_TRUE(ReadFileBytes(dir / "b.bin") == body);
  EXPECT_EQ(proxy.forwards(), 1u);
}
