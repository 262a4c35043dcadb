// The GET request text, and a GET over the one connection to IPv4 and
// IPv6 hosts with the cause of each failure.
#include "net/GetRequest.h"

#include <gtest/gtest.h>

#include "tests/net/support/LoopbackServer.h"

namespace {

TEST(GetRequest, ACallersUserAgentTakesThePlaceOfOursAndNoneKeepsIt) {
  HttpUrl url{"http", "h", 80, "/p"};
  EXPECT_EQ(BuildGetRequest(url, {{"Cookie", "a=1"}, {"user-agent", "Browser/153"}}),
            "GET /p HTTP/1.1\r\nHost: h\r\nUser-Agent: Browser/153\r\nAccept: */*\r\nConnection: close\r\n"
            "Cookie: a=1\r\n\r\n");
  EXPECT_NE(BuildGetRequest(url, {}).find(std::string("User-Agent: ") + kEngineUserAgent + "\r\n"), std::string::npos);
}

TEST(GetRequest, TextForServersAndForwardingProxies) {
  HttpUrl url{"http", "h", 81, "/p"};
  EXPECT_EQ(BuildGetRequest(url, {{"Range", "bytes=5-"}}),
            "GET /p HTTP/1.1\r\nHost: h:81\r\nUser-Agent: Velmora/1.0\r\nAccept: */*\r\nConnection: close\r\n"
            "Range: bytes=5-\r\n\r\n");
  // Through a forwarding proxy: the absolute URL and the proxy's credentials.
  EXPECT_EQ(BuildGetRequest(url, {}, {true, "Basic dTpw"}),
            "GET http://h:81/p HTTP/1.1\r\nHost: h:81\r\nUser-Agent: Velmora/1.0\r\nAccept: */*\r\n"
            "Connection: close\r\nProxy-Authorization: Basic dTpw\r\n\r\n");
  HttpUrl secure{"https", "h", 443, "/"};
  EXPECT_EQ(BuildGetRequest(secure, {}).substr(0, 29), "GET / HTTP/1.1\r\nHost: h\r\nUser");
  HttpUrl six{"http", "::1", 8080, "/x"};
  EXPECT_EQ(BuildGetRequest(six, {}, {true, ""}).substr(0, 53),
            "GET http://[::1]:8080/x HTTP/1.1\r\nHost: [::1]:8080\r\nU");
}

TEST(GetRequest, ReachesIpv6AndIpv4Hosts) {
  for (bool ipv6 : {true, false}) {
    LoopbackServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), ipv6);
    HttpUrl url{"http", ipv6 ? "::1" : "127.0.0.1", server.port(), "/x"};
    GetFailure failure;
    auto connection = SendGet(url, {}, 64 * 1024, 5000, {}, failure);
    ASSERT_TRUE(connection) << failure.error;
    char buffer[256];
    std::string answer;
    for (long n; (n = connection->Receive(buffer, sizeof buffer, 5000)) > 0;) answer.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(answer.substr(answer.size() - 2), "ok");
    EXPECT_EQ(server.request().substr(0, 16), "GET /x HTTP/1.1\r");
    EXPECT_NE(server.request().find(ipv6 ? "Host: [::1]:" : "Host: 127.0.0.1:"), std::string::npos);
  }
}

TEST(GetRequest, FailuresCarryTheirCause) {
  GetFailure refused;
  EXPECT_FALSE(SendGet({"http", "127.0.0.1", UnusedLoopbackPort(), "/"}, {}, 0, 5000, {}, refused));
  EXPECT_EQ(refused.cause, FailureCause::Refused);
  EXPECT_FALSE(refused.permanent);
  EXPECT_FALSE(refused.connected);
  GetFailure unknown;
  EXPECT_FALSE(SendGet({"http", "no-such-host.invalid", 80, "/"}, {}, 0, 5000, {}, unknown));
  EXPECT_EQ(unknown.cause, FailureCause::Dns);
  GetFailure stopped;
  EXPECT_FALSE(SendGet({"http", "127.0.0.1", UnusedLoopbackPort(), "/"}, {}, 0, 5000, [] { return true; }, stopped));
  EXPECT_TRUE(stopped.stopped);
}

}  // namespace
