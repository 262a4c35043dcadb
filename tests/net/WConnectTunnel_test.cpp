#include "net/WConnectTunnel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "net/WTlsConnection.h"
#include "tests/net/support/LoopbackClient.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/net/support/TestCertificates.h"
#include "tests/net/support/TestProxy.h"
#include "tests/net/support/TlsTestServer.h"
#include "tests/support/TempDir.h"

namespace {

WProxyUrl ProxyAt(uint16_t port, const std::string& credentials = "") {
  WProxyUrl proxy;
  std::string error;
  std::string at = credentials.empty() ? "" : credentials + "@";
  EXPECT_TRUE(ParseProxyUrl("http://" + at + "127.0.0.1:" + std::to_string(port), proxy, error)) << error;
  return proxy;
}

// A CONNECT to `target` through a scripted proxy; the result and what
// stayed on the socket after it.
struct Outcome {
  WTunnelResult result;
  std::string after;
  std::string request;
};

Outcome ThroughScriptedProxy(ScriptedReply reply, int timeoutMs = 5000, const std::string& credentials = "") {
  LoopbackServer proxy(std::move(reply));
  Outcome outcome;
  {
    LoopbackClient client(proxy.port());
    outcome.result =
        WConnectTunnel::Open(client.fd(), ProxyAt(proxy.port(), credentials), "example.test", 443, timeoutMs);
    outcome.after = client.ReadAvailable(100);
  }
  outcome.request = proxy.request();
  return outcome;
}

std::string Endpoint(const LoopbackServer& server) { return "127.0.0.1:" + std::to_string(server.port()); }

TEST(ConnectTunnel, RequestTextIsExact) {
  EXPECT_EQ(WConnectTunnel::RequestText(ProxyAt(1), "example.test", 443),
            "CONNECT example.test:443 HTTP/1.1\r\nHost: example.test:443\r\n\r\n");
  EXPECT_EQ(WConnectTunnel::RequestText(ProxyAt(1, "user:pa%20ss"), "2001:db8::1", 8443),
            "CONNECT [2001:db8::1]:8443 HTTP/1.1\r\nHost: [2001:db8::1]:8443\r\n"
            "Proxy-Authorization: Basic dXNlcjpwYSBzcw==\r\n\r\n");
}

TEST(ConnectTunnel, AnswerHeadIsTakenExactlyHoweverItIsCut) {
  // CRLF, bare LF and a mix, cut at every awkward place; the tunnel's first
  // bytes arrive in the same pieces and must stay on the socket.
  const std::vector<std::vector<std::string>> answers = {
      {"HTTP/1.1 200 Connection established\r\n\r\nTUNNEL"},
      {"HTTP/1.0 200 OK\n\nTUNNEL"},
      {"HTTP/1.1 200 OK\r\nVia: x\r", "\n\r", "\nTUN", "NEL"},
      {"HTTP/1.1 200 OK\r\nVia: x\n", "\nTUNNEL"},
      {"HTTP/1.1 2", "00 OK\r\n", "\r\n", "TUNNEL"},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\nTUNNEL"},
  };
  for (const auto& pieces : answers) {
    Outcome outcome = ThroughScriptedProxy(ScriptedReply{pieces, 30, true}, 5000, "user:pass");
    EXPECT_EQ(outcome.result.code, Success) << pieces[0] << outcome.result.errorText;
    EXPECT_EQ(outcome.result.status, 200);
    EXPECT_EQ(outcome.after, "TUNNEL") << pieces[0];
    EXPECT_EQ(outcome.request,
              "CONNECT example.test:443 HTTP/1.1\r\nHost: example.test:443\r\n"
              "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
  }
}

TEST(ConnectTunnel, RefusalNamesTheProxyAndItsStatus) {
  LoopbackServer proxy(
      Reply("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"x\"\r\n"
            "Content-Length: 0\r\n\r\n"));
  LoopbackClient client(proxy.port());
  WTunnelResult result = WConnectTunnel::Open(client.fd(), ProxyAt(proxy.port()), "example.test", 443, 5000);
  EXPECT_EQ(result.code, NetConnectError);
  EXPECT_EQ(result.status, 407);
  EXPECT_EQ(result.reason, "Proxy Authentication Required");
  EXPECT_EQ(result.errorText, "proxy " + Endpoint(proxy) + " refused CONNECT: 407 Proxy Authentication Required");
}

TEST(ConnectTunnel, BrokenAnswersFailClearly) {
  struct Case {
    ScriptedReply reply;
    int timeoutMs;
    std::string expected;
  };
  Case cases[] = {
      {Reply("SSH-2.0-OpenSSH_9.2\r\n\r\n"), 5000, "did not answer CONNECT in HTTP"},
      {Reply("HTTP/1.1 403\r\n\r\n"), 5000, "refused CONNECT: 403"},
      {Reply("HTTP/1.1 502 Bad\x1b[2J\tGateway\r\n\r\n"), 5000, "refused CONNECT: 502 Bad?[2J?Gateway"},
      {Reply(""), 5000, "closed the connection without answering CONNECT"},
      {Reply("HTTP/1.1 200 OK\r\nVia"), 5000, "closed the connection in the middle of its answer to CONNECT"},
      {Reply("HTTP/1.1 200 OK\r\nX: " + std::string(20000, 'a') + "\r\n\r\n"), 5000,
       "answered CONNECT with an overlong head"},
      {ScriptedReply{{}, 0, true}, 200, "did not answer CONNECT within 200 ms"},
  };
  for (Case& c : cases) {
    LoopbackServer proxy(c.reply);
    LoopbackClient client(proxy.port());
    WTunnelResult result = WConnectTunnel::Open(client.fd(), ProxyAt(proxy.port()), "example.test", 443, c.timeoutMs);
    EXPECT_EQ(result.code, NetConnectError);
    EXPECT_EQ(result.errorText, "proxy " + Endpoint(proxy) + " " + c.expected);
  }
}

TEST(ConnectTunnel, StopIsHeardAndBadTargetsAreNotSent) {
  LoopbackServer proxy(ScriptedReply{{}, 0, true});
  LoopbackClient client(proxy.port());
  int asked = 0;
  WTunnelResult stopped =
      WConnectTunnel::Open(client.fd(), ProxyAt(proxy.port()), "example.test", 443, 60000, [&] { return ++asked > 3; });
  EXPECT_EQ(stopped.errorText, "proxy " + Endpoint(proxy) + " was given up on: stopped during CONNECT");
  LoopbackClient second(proxy.port());
  WTunnelResult bad = WConnectTunnel::Open(second.fd(), ProxyAt(proxy.port()), "evil\r\nX: y", 443, 1000);
  EXPECT_EQ(bad.errorText, "proxy " + Endpoint(proxy) + " cannot be asked for a tunnel to an invalid host name");
}

class ProxiedTlsTest : public ::testing::Test {
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

TEST_F(ProxiedTlsTest, TlsThroughTheTunnelIsByteExact) {
  std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 70000\r\n\r\n" + PatternBytes(70000);
  TlsTestServer server({certificates_->good(), reply, 0, true});
  TestProxy proxy("user:p@ss");
  LoopbackClient client(proxy.port());
  WTunnelResult tunnel =
      WConnectTunnel::Open(client.fd(), ProxyAt(proxy.port(), "user:p%40ss"), "localhost", server.port(), 5000);
  ASSERT_EQ(tunnel.code, Success) << tunnel.errorText;
  WTlsConnection tls(client.fd(), "localhost");
  ASSERT_EQ(tls.Handshake(5000), Success) << tls.errorText();
  std::string request = "GET /f HTTP/1.1\r\nHost: localhost\r\n\r\n";
  ASSERT_EQ(tls.WriteAll(request.data(), request.size(), 5000), Success);
  std::string got;
  char buffer[8192];
  for (int n; (n = tls.Read(buffer, sizeof buffer, 5000)) > 0;) got.append(buffer, static_cast<size_t>(n));
  EXPECT_EQ(got, reply);
  EXPECT_EQ(server.requests(), std::vector<std::string>{request});
  EXPECT_EQ(proxy.tunnels(), 1u);
}

TEST_F(ProxiedTlsTest, ProxyDemandingOtherCredentialsRefuses) {
  TlsTestServer server({certificates_->good(), "x", 0, true});
  TestProxy proxy("user:right");
  for (const std::string& credentials : {std::string(), std::string("user:wrong")}) {
    LoopbackClient client(proxy.port());
    WTunnelResult tunnel =
        WConnectTunnel::Open(client.fd(), ProxyAt(proxy.port(), credentials), "localhost", server.port(), 5000);
    EXPECT_EQ(tunnel.status, 407);
    EXPECT_EQ(tunnel.errorText, "proxy 127.0.0.1:" + std::to_string(proxy.port()) +
                                    " refused CONNECT: 407 Proxy Authentication Required");
  }
  EXPECT_EQ(proxy.tunnels(), 0u);
}

TEST(TestProxySupport, ForwardsAbsoluteUrlRequestsWithoutItsOwnFields) {
  LoopbackServer origin(Reply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"));
  TestProxy proxy("u:p");
  LoopbackClient client(proxy.port());
  std::string request = "GET " + origin.Url("/dir/f?x=1") +
                        " HTTP/1.1\r\nHost: 127.0.0.1\r\nProxy-Authorization: Basic dTpw\r\nAccept: */*\r\n\r\n";
  ASSERT_EQ(send(client.fd(), request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
  EXPECT_EQ(client.ReadAvailable(1000), "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello");
  EXPECT_EQ(origin.request(), "GET /dir/f?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n");
  EXPECT_EQ(proxy.forwards(), 1u);
  // Only loopback targets are reached.
  LoopbackClient outside(proxy.port());
  std::string away =
      "CONNECT example.org:443 HTTP/1.1\r\nHost: example.org:443\r\nProxy-Authorization: Basic dTpw\r\n\r\n";
  send(outside.fd(), away.data(), away.size(), MSG_NOSIGNAL);
  EXPECT_EQ(outside.ReadAvailable(1000).substr(0, 22), "HTTP/1.1 403 Forbidden");
}

}  // namespace
