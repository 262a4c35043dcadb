// The one TCP connect: both families, the families taking turns, a slow
// address overtaken by the next one, the receive buffer, and failure causes.
#include "net/WTcpConnect.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/net/support/LoopbackListen.h"
#include "tests/net/support/LoopbackServer.h"

namespace {

platform::SocketAddress AddressOf(const char* host, uint16_t port) {
  std::vector<platform::SocketAddress> found;
  std::string error;
  EXPECT_TRUE(platform::ResolveStreamAddresses(host, port, found, error)) << error;
  return found.empty() ? platform::SocketAddress{} : found.front();
}

// A listener on ::1 whose accept queue is full, so a further connect to it
// neither succeeds nor fails: the kernel drops its SYN and it waits.
class SilentListener {
 public:
  SilentListener() {
    listener_ = ListenOnLoopback(&port_, true);
    if (listener_ >= 0) listen(listener_, 0);
    for (int i = 0; i < 8 && listener_ >= 0; ++i) {
      int fd = platform::OpenStreamSocketFor(AddressOf("::1", port_));
      platform::BeginConnect(fd, AddressOf("::1", port_));
      fillers_.push_back(fd);
      pollfd entry{fd, POLLOUT, 0};
      if (poll(&entry, 1, 300) == 0) return;  // this one waits: the queue is full
    }
  }
  ~SilentListener() {
    for (int fd : fillers_) close(fd);
    if (listener_ >= 0) close(listener_);
  }
  uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

TEST(WTcpConnect, FamiliesTakeTurnsLedByTheFirst) {
  auto six = [](uint16_t port) { return AddressOf("::1", port); };
  auto four = [](uint16_t port) { return AddressOf("127.0.0.1", port); };
  auto order = InterleaveFamilies({six(1), six(2), six(3), four(4), four(5)});
  ASSERT_EQ(order.size(), 5u);
  EXPECT_TRUE(order[0].isIpv6() && !order[1].isIpv6() && order[2].isIpv6() && !order[3].isIpv6() && order[4].isIpv6());
  auto led = InterleaveFamilies({four(1), six(2), six(3)});
  EXPECT_TRUE(!led[0].isIpv6() && led[1].isIpv6() && led[2].isIpv6());
  EXPECT_TRUE(InterleaveFamilies({}).empty());
}

TEST(WTcpConnect, ReachesEitherFamilyByNameAndLiteral) {
  for (bool ipv6 : {true, false}) {
    LoopbackServer server(Reply(""), ipv6);
    for (const char* host : {ipv6 ? "::1" : "127.0.0.1", ipv6 ? "[::1]" : "127.0.0.1", "localhost"}) {
      Failure failure;
      int fd = ConnectTcp(host, server.port(), WDeadline(5000), {}, failure);
      // "localhost" may name one family only on some machines.
      if (std::string(host) == "localhost" && fd < 0) continue;
      EXPECT_GE(fd, 0) << host << ": " << failure.message;
      if (fd >= 0) close(fd);
    }
  }
}

TEST(WTcpConnect, ARefusedAddressGivesWayToTheNext) {
  LoopbackServer server(Reply(""));
  Failure failure;
  int fd = ConnectToAny({AddressOf("::1", UnusedLoopbackPort(true)), AddressOf("127.0.0.1", server.port())},
                        WDeadline(5000), {}, failure);
  EXPECT_GE(fd, 0) << failure.message;
  if (fd >= 0) close(fd);
}

TEST(WTcpConnect, ASilentAddressIsOvertakenByTheNextAfterTheDelay) {
  SilentListener silent;
  LoopbackServer server(Reply(""));
  Failure failure;
  // Without company for the silent attempt this would wait out the deadline.
  int fd = ConnectToAny({AddressOf("::1", silent.port()), AddressOf("::1", silent.port()),
                         AddressOf("127.0.0.1", server.port())},
                        WDeadline(4000), {}, failure);
  EXPECT_GE(fd, 0) << failure.message;
  if (fd >= 0) close(fd);
  // Alone, the silent address runs into the deadline and says so.
  EXPECT_EQ(ConnectToAny({AddressOf("::1", silent.port())}, WDeadline(300), {}, failure), -1);
  EXPECT_EQ(failure.cause, FailureCause::Timeout);
  EXPECT_EQ(failure.message, "no answer in time");
}

TEST(WTcpConnect, FailuresCarryTheirCause) {
  Failure refused;
  EXPECT_EQ(ConnectTcp("127.0.0.1", UnusedLoopbackPort(), WDeadline(5000), {}, refused), -1);
  EXPECT_EQ(refused.cause, FailureCause::Refused);
  EXPECT_EQ(refused.message, "connection refused");
  Failure unknown;
  EXPECT_EQ(ConnectTcp("no-such-host.invalid", 80, WDeadline(5000), {}, unknown), -1);
  EXPECT_EQ(unknown.cause, FailureCause::Dns);
  EXPECT_NE(unknown.message.find("could not be resolved"), std::string::npos);
  Failure none;
  EXPECT_EQ(ConnectTcp("", 80, WDeadline(5000), {}, none), -1);
  EXPECT_EQ(none.cause, FailureCause::BadInput);
  SilentListener silent;
  Failure stopped;
  EXPECT_EQ(ConnectTcp("::1", silent.port(), WDeadline(60000), [] { return true; }, stopped), -1);
  EXPECT_EQ(stopped.message, "stopped");
}

TEST(WTcpConnect, TheReceiveBufferIsSetBeforeConnecting) {
  LoopbackServer server(Reply(""), true);
  Failure failure;
  int small = ConnectTcp("::1", server.port(), WDeadline(5000), {}, failure, TcpConnectOptions{4096});
  int plain = ConnectTcp("::1", server.port(), WDeadline(5000), {}, failure);
  ASSERT_GE(small, 0) << failure.message;
  ASSERT_GE(plain, 0) << failure.message;
  auto bufferOf = [](int fd) {
    int bytes = 0;
    socklen_t size = sizeof bytes;
    getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, &size);
    return bytes;
  };
  EXPECT_LE(bufferOf(small), 4 * 4096);
  EXPECT_GT(bufferOf(plain), bufferOf(small));
  close(small);
  close(plain);
}

}  // namespace
