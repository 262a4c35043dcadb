#include "net/WSocket.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Socket.h"
#include "tests/net/support/LoopbackServer.h"

namespace {

SplitUrlResult Split(const char* url, ResultCode expected = Success) {
  SplitUrlResult out;
  EXPECT_EQ(WSocket::SplitUrl(url, out), expected) << url;
  return out;
}

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

TEST(SplitUrl, HostPortAndPath) {
  SplitUrlResult a = Split("http://example.org");
  EXPECT_EQ(a.host, "example.org");
  EXPECT_EQ(a.port, 80);
  EXPECT_EQ(a.path, "/");
  SplitUrlResult b = Split("HTTP://example.org:8080/dir/file.txt?x=1&y=2");
  EXPECT_EQ(b.host, "example.org");
  EXPECT_EQ(b.port, 8080);
  EXPECT_EQ(b.path, "/dir/file.txt?x=1&y=2");
  SplitUrlResult c = Split("http://example.org:8080");
  EXPECT_EQ(c.port, 8080);
  EXPECT_EQ(c.path, "/");
  EXPECT_EQ(Split("http://h:abc/").port, 0);
  EXPECT_EQ(Split("http://h:65617/").port, 81);  // truncated to 16 bits
}

TEST(SplitUrl, ColonInPathOrQueryIsNotAPort) {
  SplitUrlResult a = Split("http://host/a:b");
  EXPECT_EQ(a.host, "host");
  EXPECT_EQ(a.port, 80);
  EXPECT_EQ(a.path, "/a:b");
  SplitUrlResult b = Split("http://host:81/q?t=12:30");
  EXPECT_EQ(b.host, "host");
  EXPECT_EQ(b.port, 81);
  EXPECT_EQ(b.path, "/q?t=12:30");
}

TEST(SplitUrl, AnIpv6HostKeepsItsBracketsAndItsColonsAreNoPort) {
  SplitUrlResult a = Split("http://[::1]:8080/x?t=1:2");
  EXPECT_EQ(a.host, "[::1]");
  EXPECT_EQ(a.port, 8080);
  EXPECT_EQ(a.path, "/x?t=1:2");
  SplitUrlResult b = Split("http://[2001:db8::1]");
  EXPECT_EQ(b.host, "[2001:db8::1]");
  EXPECT_EQ(b.port, 80);
  EXPECT_EQ(b.path, "/");
}

TEST(SplitUrl, OnlyThePlainSchemeIsAccepted) {
  Split("https://example.org/", DbQueryError);
  Split("ftp://example.org/", DbQueryError);
  Split("http:/", DbQueryError);
  Split(nullptr, DbQueryError);
}

TEST(WSocket, StartUpSucceeds) { EXPECT_EQ(WSocket::StartUp(), Success); }

TEST(WSocket, OverlongHostIsNotStored) {
  WSocket socket;
  socket.SetEndpoint("first.example", 1);
  socket.SetEndpoint(std::string(129, 'h').c_str(), 2);
  EXPECT_STREQ(socket.host(), "first.example");
  EXPECT_EQ(socket.port(), 2);
  socket.SetEndpoint(std::string(128, 'h').c_str(), 3);
  EXPECT_EQ(std::string(socket.host()), std::string(128, 'h'));
}

TEST(WSocket, ConnectsToDottedAddressAndNames) {
  LoopbackServer server(Reply(""));
  WSocket socket;
  socket.SetEndpoint("127.0.0.1", server.port());
  EXPECT_EQ(socket.Connect(), Success);
  EXPECT_NE(socket.socketHandle(), -1);
  socket.SetEndpoint("localhost", server.port());
  EXPECT_EQ(socket.Connect(), Success);
  socket.CloseConnection();
  EXPECT_EQ(socket.socketHandle(), -1);
}

TEST(WSocket, ConnectsToIpv6HostsAndLeavesTheSocketBlocking) {
  LoopbackServer server(Reply(""), true);
  WSocket socket;
  socket.SetEndpoint("[::1]", server.port());
  ASSERT_EQ(socket.Connect(), Success);
  // The timed transfers send whole requests: a non-blocking socket could cut one short.
  EXPECT_EQ(fcntl(socket.socketHandle(), F_GETFL) & O_NONBLOCK, 0);
  socket.SetEndpoint("::1", server.port());
  EXPECT_EQ(socket.Connect(), Success);
}

TEST(WSocket, FailedConnectsLeaveNoDescriptorBehind) {
  WSocket socket;
  socket.SetEndpoint("127.0.0.1", UnusedLoopbackPort());
  int before = OpenDescriptors();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(socket.Connect(), NetConnectError);
  socket.SetEndpoint("no-such-host.invalid", 80);
  EXPECT_EQ(socket.Connect(), NetConnectError);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(socket.socketHandle(), -1);
}

TEST(TimedTransfer, SilentPeerTimesOutWithMinusTwo) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  char buffer[16];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(platform::TimedReceive(pair[0], buffer, sizeof buffer, 0, 1), -2);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  ASSERT_EQ(write(pair[1], "ab", 2), 2);
  EXPECT_EQ(platform::TimedReceive(pair[0], buffer, sizeof buffer, 0, 1), 2);
  close(pair[1]);
  EXPECT_EQ(platform::TimedReceive(pair[0], buffer, sizeof buffer, 0, 1), 0);
  close(pair[0]);
}

TEST(TimedTransfer, PeerThatAcceptsNothingTimesOutSend) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  std::string block(65536, 'x');
  int sends = 0;
  while (platform::TimedSend(pair[0], block.data(), static_cast<int32_t>(block.size()), 0, 0) > 0) ++sends;
  EXPECT_GT(sends, 0);
  EXPECT_EQ(platform::TimedSend(pair[0], block.data(), 10, 0, 1), -2);
  close(pair[1]);
  // A vanished peer is an error, not a signal that ends the process.
  EXPECT_EQ(platform::TimedSend(pair[0], block.data(), 10, 0, 1), -1);
  close(pair[0]);
}

TEST(TimedTransfer, ClosedHandleFailsAtOnce) {
  int32_t none = -1;
  char buffer[4];
  EXPECT_EQ(WSocket::TimedRecv(&none, buffer, 4, 0), -2);
  EXPECT_EQ(WSocket::TimedSend(&none, buffer, 4, 0), -2);
}

}  // namespace
