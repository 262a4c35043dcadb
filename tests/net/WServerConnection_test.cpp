#include "net/WServerConnection.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/net/support/TestCertificates.h"
#include "tests/net/support/TestProxy.h"
#include "tests/net/support/TlsTestServer.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kRequest = "GET /f HTTP/1.1\r\nHost: localhost\r\n\r\n";

WProxyChoice Direct() { return WProxyChoice{}; }

WProxyChoice Through(const std::string& proxyUrl) {
  WProxyEnvironment env;
  env.http = env.https = proxyUrl;
  WProxyChoice choice = ChooseProxy("https", "localhost", 1, env, "");
  EXPECT_FALSE(choice.direct) << choice.error;
  return choice;
}

std::string Exchange(WServerConnection& connection, const std::string& request) {
  EXPECT_EQ(connection.WriteAll(request.data(), request.size(), 5000), Success) << connection.errorText();
  std::string got;
  char buffer[8192];
  for (int n; (n = connection.Read(buffer, sizeof buffer, 5000)) > 0;) got.append(buffer, static_cast<size_t>(n));
  return got;
}

class ServerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TestCertificates::ToolAvailable()) GTEST_SKIP() << "the openssl command is not installed";
    certificates_ = std::make_unique<TestCertificates>(dir_.path());
    ASSERT_TRUE(certificates_->ok()) << certificates_->Log();
    setenv("VELMORA_CA_FILE", certificates_->caFile().c_str(), 1);
  }
  void TearDown() override { unsetenv("VELMORA_CA_FILE"); }

  TempDir dir_;
  std::unique_ptr<TestCertificates> certificates_;
};

TEST_F(ServerConnectionTest, HttpsStraightAndThroughAProxyCarryTheSameBytes) {
  std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 40000\r\n\r\n" + PatternBytes(40000);
  TlsTestServer server({certificates_->good(), reply, 0, true});
  TestProxy proxy("user:secret");
  WServerTarget target{"HTTPS", "localhost", server.port(), false};
  {
    WServerConnection direct;
    ASSERT_EQ(direct.Open(target, Direct(), 5000), Success) << direct.errorText();
    EXPECT_EQ(direct.proxyEndpoint(), "");
    ASSERT_NE(direct.tls(), nullptr);
    EXPECT_FALSE(direct.insecure());
    EXPECT_EQ(Exchange(direct, kRequest), reply);
  }
  {
    WServerConnection proxied;
    ASSERT_EQ(proxied.Open(target, Through("http://user:secret@" + proxy.Url().substr(7)), 5000), Success)
        << proxied.errorText();
    EXPECT_EQ(proxied.proxyEndpoint(), proxy.Url().substr(7));
    EXPECT_FALSE(proxied.forwardsThroughProxy());
    EXPECT_EQ(Exchange(proxied, kRequest), reply);
  }
  EXPECT_EQ(proxy.tunnels(), 1u);
  EXPECT_EQ(server.requests(), (std::vector<std::string>{kRequest, kRequest}));
}

TEST_F(ServerConnectionTest, PlainHttpThroughAProxyIsForwardedWithItsCredentials) {
  LoopbackServer origin(Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  TestProxy proxy("user:secret");
  WServerConnection connection;
  WServerTarget target{"http", "127.0.0.1", origin.port(), false};
  ASSERT_EQ(connection.Open(target, Through("user:secret@" + proxy.Url().substr(7)), 5000), Success);
  EXPECT_TRUE(connection.forwardsThroughProxy());
  EXPECT_EQ(connection.proxyAuthorization(), "Basic dXNlcjpzZWNyZXQ=");
  EXPECT_EQ(connection.tls(), nullptr);
  std::string request = "GET " + origin.Url("/f") +
                        " HTTP/1.1\r\nHost: 127.0.0.1\r\nProxy-Authorization: " + connection.proxyAuthorization() +
                        "\r\n\r\n";
  EXPECT_EQ(Exchange(connection, request), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  EXPECT_EQ(origin.request(), "GET /f HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST_F(ServerConnectionTest, PlainHttpStraight) {
  LoopbackServer origin(Reply("HTTP/1.1 204 No Content\r\n\r\n"));
  WServerConnection connection;
  ASSERT_EQ(connection.Open({"http", "127.0.0.1", origin.port(), false}, Direct(), 5000), Success);
  EXPECT_FALSE(connection.forwardsThroughProxy());
  EXPECT_EQ(Exchange(connection, "GET / HTTP/1.1\r\n\r\n"), "HTTP/1.1 204 No Content\r\n\r\n");
  connection.Close();
  char buffer[4];
  EXPECT_EQ(connection.Read(buffer, sizeof buffer, 10), WServerConnection::kError);
}

TEST(ServerConnection, ReachesIpv6Loopback) {
  int listener = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 1) != 0) {
    close(listener);
    GTEST_SKIP() << "no IPv6 loopback here";
  }
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  std::thread server([listener] {
    pollfd entry{listener, POLLIN, 0};
    if (poll(&entry, 1, 5000) <= 0) return;  // the client never came
    int client = accept(listener, nullptr, nullptr);
    char buffer[64];
    recv(client, buffer, sizeof buffer, 0);
    send(client, "v6", 2, MSG_NOSIGNAL);
    close(client);
  });
  WServerConnection connection;
  ResultCode opened = connection.Open({"http", "[::1]", ntohs(address.sin6_port), false}, WProxyChoice{}, 5000);
  EXPECT_EQ(opened, Success) << connection.errorText();
  if (opened == Success) {
    EXPECT_EQ(Exchange(connection, "GET / HTTP/1.1\r\n\r\n"), "v6");
  }
  connection.Close();
  server.join();
  close(listener);
}

TEST_F(ServerConnectionTest, EveryFailureNamesWhatFailedAndCarriesItsCause) {
  TlsTestServer server({certificates_->expired(), "x", 0, true});
  TestProxy proxy("user:right");
  uint16_t nobody = UnusedLoopbackPort();
  std::string nobodyName = "127.0.0.1:" + std::to_string(nobody);
  std::string proxyName = proxy.Url().substr(7);
  WServerTarget tls{"https", "localhost", server.port(), false};
  struct Case {
    WServerTarget target;
    WProxyChoice proxy;
    std::string expected;
    FailureCause cause;
  } cases[] = {
      {{"http", "127.0.0.1", nobody, false}, Direct(), "could not connect to " + nobodyName + ": connection refused",
       FailureCause::Refused},
      {tls, Through("http://" + nobodyName),
       "could not connect to proxy " + nobodyName + " (from https_proxy): connection refused", FailureCause::Proxy},
      {tls, Through("http://user:wrong@" + proxyName),
       "proxy " + proxyName + " refused CONNECT: 407 Proxy Authentication Required", FailureCause::ProxyAuth},
      {tls, Through("http://user:right@" + proxyName),
       "TLS with localhost failed: the server's certificate has expired: it was valid until 2020-02-01 00:00:00 UTC",
       FailureCause::TlsCertificate},
      {tls, Direct(),
       "TLS with localhost failed: the server's certificate has expired: it was valid until 2020-02-01 00:00:00 UTC",
       FailureCause::TlsCertificate},
      {{"http", "no-such-host.invalid", 80, false}, Direct(), "", FailureCause::Dns},
      {{"ftp", "localhost", 21, false}, Direct(), "the scheme \"ftp\" is not supported", FailureCause::Unsupported},
      {{"https", "", 443, false}, Direct(), "there is no host and port to connect to", FailureCause::BadInput},
  };
  for (Case& c : cases) {
    WServerConnection connection;
    EXPECT_EQ(connection.Open(c.target, c.proxy, 5000), NetConnectError);
    if (!c.expected.empty()) {
      EXPECT_EQ(connection.errorText(), c.expected);
    }
    EXPECT_EQ(connection.cause(), c.cause) << FailureCauseName(connection.cause()) << ": " << connection.errorText();
    EXPECT_FALSE(connection.isOpen());
  }
  WProxyChoice broken;
  broken.error = "the proxy setting https_proxy cannot be used: whatever";
  WServerConnection connection;
  EXPECT_EQ(connection.Open(tls, broken, 5000), NetConnectError);
  EXPECT_EQ(connection.errorText(), broken.error);
  EXPECT_EQ(connection.cause(), FailureCause::Proxy);
}

TEST_F(ServerConnectionTest, InsecureTargetIsShown) {
  TlsTestServer server({certificates_->selfSigned(), "hi", 0, true});
  WServerConnection connection;
  ASSERT_EQ(connection.Open({"https", "localhost", server.port(), true}, Direct(), 5000), Success);
  EXPECT_TRUE(connection.insecure());
  EXPECT_NE(connection.tls()->certificateProblem().find("self-signed"), std::string::npos);
  EXPECT_EQ(Exchange(connection, kRequest), "hi");
}

TEST_F(ServerConnectionTest, ProcessWideProxySettingIsUsed) {
  TlsTestServer server({certificates_->good(), "via", 0, true});
  TestProxy proxy;
  std::string error;
  ASSERT_TRUE(WProxySettings::SetProgramProxy(proxy.Url(), error));
  if (WProxySettings::ChooseFor("https", "localhost", server.port()).direct) {
    WProxySettings::SetProgramProxy("", error);
    GTEST_SKIP() << "this environment's no_proxy exempts localhost";
  }
  WServerConnection connection;
  ResultCode opened = connection.Open({"https", "localhost", server.port(), false}, 5000);
  WProxySettings::SetProgramProxy("", error);
  ASSERT_EQ(opened, Success) << connection.errorText();
  EXPECT_EQ(Exchange(connection, kRequest), "via");
  EXPECT_EQ(proxy.tunnels(), 1u);
}

}  // namespace
