#include "net/WTlsConnection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "tests/net/support/LoopbackClient.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/net/support/NginxServer.h"
#include "tests/net/support/TestCertificates.h"
#include "tests/net/support/TlsTestServer.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kRequest = "GET /file HTTP/1.1\r\nHost: localhost\r\n\r\n";

// Sets VELMORA_CA_FILE (or removes it) for one test.
class CaFileSetting {
 public:
  explicit CaFileSetting(const std::string& path) {
    if (path.empty())
      unsetenv("VELMORA_CA_FILE");
    else
      setenv("VELMORA_CA_FILE", path.c_str(), 1);
  }
  ~CaFileSetting() { unsetenv("VELMORA_CA_FILE"); }
};

// Accepts one connection, sends `bytes` at once, without waiting for a
// request, takes what the client sent and closes.
class BlurtingServer {
 public:
  explicit BlurtingServer(std::string bytes) : bytes_(std::move(bytes)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    listen(listener_, 1);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      int client = accept(listener_, nullptr, nullptr);
      send(client, bytes_.data(), bytes_.size(), MSG_NOSIGNAL);
      // Unread bytes would make the close a reset.
      char sink[4096];
      pollfd entry{client, POLLIN, 0};
      if (poll(&entry, 1, 1000) > 0) recv(client, sink, sizeof sink, 0);
      close(client);
    });
  }
  ~BlurtingServer() {
    thread_.join();
    close(listener_);
  }
  uint16_t port() const { return port_; }

 private:
  std::string bytes_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

// Everything until the peer closes (or an error, or 5 s of silence).
std::string ReadToEnd(WTlsConnection& tls) {
  std::string bytes;
  char buffer[16384];
  for (int quiet = 0; quiet < 50;) {
    int got = tls.Read(buffer, sizeof buffer, 100);
    if (got == WTlsConnection::kTimedOut) {
      ++quiet;
      continue;
    }
    if (got <= 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return bytes;
}

class TlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!TestCertificates::ToolAvailable()) return;
    dir_ = new TempDir;
    certificates_ = new TestCertificates(dir_->path());
  }
  static void TearDownTestSuite() {
    delete certificates_;
    delete dir_;
    certificates_ = nullptr;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!certificates_) GTEST_SKIP() << "the openssl command is not installed";
    ASSERT_TRUE(certificates_->ok()) << certificates_->Log();
  }

  static const TestCertificates& Certificates() { return *certificates_; }

  // A refused handshake as `host` with a server showing `files`, trusting
  // the private CA or not; the connection's error text.
  static std::string HandshakeError(const CertificateFiles& files, const std::string& host, bool trustCa = true) {
    return Refused(files, host, trustCa ? Certificates().caFile() : "");
  }
  static std::string HandshakeErrorWithCaFile(const std::string& caFile) {
    return Refused(Certificates().good(), "localhost", caFile);
  }
  static std::string Refused(const CertificateFiles& files, const std::string& host, const std::string& caFile) {
    CaFileSetting ca(caFile);
    TlsTestServer server({files, "unused", 0, true});
    EXPECT_TRUE(server.ok());
    LoopbackClient client(server.port());
    WTlsConnection tls(client.fd(), host);
    EXPECT_EQ(tls.Handshake(5000), NetConnectError);
    EXPECT_FALSE(tls.established());
    EXPECT_EQ(server.handshakes(), 0u);
    return tls.errorText();
  }

  static TempDir* dir_;
  static TestCertificates* certificates_;
};

TempDir* TlsTest::dir_ = nullptr;
TestCertificates* TlsTest::certificates_ = nullptr;

TEST_F(TlsTest, TrustedCertificateCarriesBytesExactlyBothWays) {
  CaFileSetting ca(Certificates().caFile());
  std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" + PatternBytes(300000);
  TlsTestServer server({Certificates().good(), reply, 0, true});
  for (const char* host : {"localhost", "127.0.0.1", "LocalHost."}) {
    LoopbackClient client(server.port());
    WTlsConnection tls(client.fd(), host);
    ASSERT_EQ(tls.Handshake(5000), Success) << tls.errorText();
    EXPECT_TRUE(tls.established());
    EXPECT_FALSE(tls.insecure());
    EXPECT_EQ(tls.certificateProblem(), "");
    EXPECT_EQ(tls.protocolVersion(), "TLSv1.3");
    EXPECT_FALSE(tls.cipherName().empty());
    ASSERT_EQ(tls.WriteAll(kRequest.data(), kRequest.size(), 5000), Success) << tls.errorText();
    EXPECT_EQ(ReadToEnd(tls), reply) << host;
    EXPECT_FALSE(tls.closedWithoutNotify());
    EXPECT_EQ(tls.Read(nullptr, 0, 10), 0) << "a closed connection keeps answering 0";
    EXPECT_EQ(tls.Handshake(100), NetConnectError) << "one handshake per connection";
    EXPECT_TRUE(tls.Shutdown(1000));
  }
  std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  for (const std::string& request : requests) EXPECT_EQ(request, kRequest);
}

TEST_F(TlsTest, EachRefusedCertificateSaysWhyInPlainWords) {
  EXPECT_EQ(HandshakeError(Certificates().expired(), "localhost"),
            "TLS with localhost failed: the server's certificate has expired: it was valid until "
            "2020-02-01 00:00:00 UTC");
  EXPECT_EQ(HandshakeError(Certificates().notYetValid(), "localhost"),
            "TLS with localhost failed: the server's certificate is not yet valid: it is valid from "
            "2099-01-01 00:00:00 UTC");
  EXPECT_EQ(HandshakeError(Certificates().selfSigned(), "localhost"),
            "TLS with localhost failed: the server's certificate is self-signed (\"localhost\") and not trusted here");
  EXPECT_EQ(HandshakeError(Certificates().good(), "localhost", false),
            "TLS with localhost failed: the server's certificate comes from an unknown issuer "
            "(\"Velmora Test CA\") that is not trusted here");
  EXPECT_EQ(HandshakeError(Certificates().wrongHost(), "localhost"),
            "TLS with localhost failed: host name mismatch: the server's certificate is for wrong.example, "
            "*.wrong.example, not for localhost");
  // The connection goes to 127.0.0.1; only the name to check differs.
  EXPECT_EQ(HandshakeError(Certificates().good(), "127.0.0.2"),
            "TLS with 127.0.0.2 failed: address mismatch: the server's certificate is for localhost, 127.0.0.1, "
            "::1, not for 127.0.0.2");
  EXPECT_EQ(HandshakeError(Certificates().good(), "[::2]"),
            "TLS with ::2 failed: address mismatch: the server's certificate is for localhost, 127.0.0.1, ::1, "
            "not for ::2");
  EXPECT_EQ(HandshakeError(Certificates().manyNames(), "localhost"),
            "TLS with localhost failed: host name mismatch: the server's certificate is for n1.example, n2.example, "
            "n3.example, n4.example, n5.example, n6.example, n7.example, n8.example and 2 more, not for localhost");
  // A wildcard covers one label, never the bare name or a deeper one.
  EXPECT_NE(HandshakeError(Certificates().wrongHost(), "a.b.wrong.example").find("host name mismatch"),
            std::string::npos);
}

TEST_F(TlsTest, ServerOfferingOnlyOldProtocolsIsRefused) {
  CaFileSetting ca(Certificates().caFile());
  TlsTestServer server({Certificates().good(), "unused", TLS1_1_VERSION, true});
  ASSERT_TRUE(server.ok());
  LoopbackClient client(server.port());
  WTlsConnection tls(client.fd(), "localhost");
  EXPECT_EQ(tls.Handshake(5000), NetConnectError);
  EXPECT_EQ(tls.errorText(),
            "TLS with localhost failed: the server offers only an outdated protocol (older than TLS 1.2), "
            "which is not accepted");
}

TEST_F(TlsTest, ServerWithNothingInCommonFailsTheHandshake) {
  CaFileSetting ca(Certificates().caFile());
  // Unencrypted suites are never offered by the client.
  TlsTestServer server({Certificates().good(), "unused", TLS1_2_VERSION, true, "eNULL:@SECLEVEL=0"});
  ASSERT_TRUE(server.ok());
  LoopbackClient client(server.port());
  WTlsConnection tls(client.fd(), "localhost");
  EXPECT_EQ(tls.Handshake(5000), NetConnectError);
  EXPECT_EQ(tls.errorText(),
            "TLS with localhost failed: handshake failure: the server and this program have no protocol version or "
            "cipher in common");
}

TEST_F(TlsTest, PeersThatDoNotSpeakTlsFailClearly) {
  {
    BlurtingServer plain("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    LoopbackClient client(plain.port());
    WTlsConnection tls(client.fd(), "localhost");
    EXPECT_EQ(tls.Handshake(5000), NetConnectError);
    EXPECT_EQ(tls.errorText(),
              "TLS with localhost failed: the server did not answer in TLS (is it a plain HTTP port?)");
  }
  {
    BlurtingServer closing("");
    LoopbackClient client(closing.port());
    WTlsConnection tls(client.fd(), "localhost");
    EXPECT_EQ(tls.Handshake(5000), NetConnectError);
    EXPECT_EQ(tls.errorText(),
              "TLS with localhost failed: the server closed the connection in the middle of the handshake");
  }
}

TEST_F(TlsTest, SilentServerTimesOutAndStopIsHeard) {
  ScriptedReply silent{{}, 0, true};
  LoopbackServer server(silent);
  {
    LoopbackClient client(server.port());
    WTlsConnection tls(client.fd(), "localhost");
    EXPECT_EQ(tls.Handshake(300), NetConnectError);
    EXPECT_EQ(tls.errorText(), "TLS with localhost failed: the server did not complete the handshake within 0.3 s");
  }
  {
    LoopbackClient client(server.port());
    WTlsConnection tls(client.fd(), "localhost");
    int asked = 0;
    EXPECT_EQ(tls.Handshake(60000, [&] { return ++asked > 2; }), NetConnectError);
    EXPECT_EQ(tls.errorText(), "TLS with localhost failed: stopped before the handshake was complete");
    EXPECT_EQ(asked, 3);
  }
}

TEST_F(TlsTest, InsecureConnectionWorksButShowsWhatItSkipped) {
  CaFileSetting ca("");
  TlsTestServer server({Certificates().selfSigned(), "hello", 0, true});
  LoopbackClient client(server.port());
  WTlsConnection tls(client.fd(), "localhost", WTlsOptions{.insecure = true});
  ASSERT_EQ(tls.Handshake(5000), Success) << tls.errorText();
  EXPECT_TRUE(tls.insecure());
  EXPECT_EQ(tls.certificateProblem(), "the server's certificate is self-signed (\"localhost\") and not trusted here");
  ASSERT_EQ(tls.WriteAll(kRequest.data(), kRequest.size(), 5000), Success);
  EXPECT_EQ(ReadToEnd(tls), "hello");
  EXPECT_FALSE(WTlsConnection(-1, "localhost").insecure()) << "checking is the default";
}

// One handshake and exchange with the server on `port`; whether it resumed.
bool ResumedOn(uint16_t port, WTlsOptions options) {
  LoopbackClient client(port);
  WTlsConnection tls(client.fd(), "localhost", options);
  EXPECT_EQ(tls.Handshake(5000), Success) << tls.errorText();
  EXPECT_EQ(tls.WriteAll(kRequest.data(), kRequest.size(), 5000), Success);
  ReadToEnd(tls);  // takes in the session ticket too
  return tls.resumed();
}

TEST_F(TlsTest, LaterConnectionsResumeButNeverSkipACheck) {
  CaFileSetting ca(Certificates().caFile());
  TlsTestServer server({Certificates().good(), "x", 0, true});
  EXPECT_FALSE(ResumedOn(server.port(), {false, server.port()}));
  EXPECT_TRUE(ResumedOn(server.port(), {false, server.port()}));
  EXPECT_FALSE(ResumedOn(server.port(), {false, 0})) << "without a port nothing is resumed";
  // A session from a connection that skipped the checks must not let a
  // checked connection past them.
  TlsTestServer selfSigned({Certificates().selfSigned(), "x", 0, true});
  EXPECT_FALSE(ResumedOn(selfSigned.port(), {true, selfSigned.port()}));
  EXPECT_TRUE(ResumedOn(selfSigned.port(), {true, selfSigned.port()}));
  LoopbackClient client(selfSigned.port());
  WTlsConnection checked(client.fd(), "localhost", {false, selfSigned.port()});
  EXPECT_EQ(checked.Handshake(5000), NetConnectError);
  EXPECT_NE(checked.errorText().find("self-signed"), std::string::npos);
}

TEST_F(TlsTest, ConnectionsOnSeveralThreadsAtOnce) {
  CaFileSetting ca(Certificates().caFile());
  std::string reply = PatternBytes(100000);
  TlsTestServer server({Certificates().good(), reply, 0, true});
  std::vector<std::string> got(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < got.size(); ++i)
    threads.emplace_back([&, i] {
      LoopbackClient client(server.port());
      WTlsConnection tls(client.fd(), "localhost", {false, server.port()});
      if (tls.Handshake(10000) == Success && tls.WriteAll(kRequest.data(), kRequest.size(), 10000) == Success)
        got[i] = ReadToEnd(tls);
    });
  for (std::thread& thread : threads) thread.join();
  for (const std::string& bytes : got) EXPECT_TRUE(bytes == reply);
}

TEST_F(TlsTest, UnusableCaFileIsAnErrorNotIgnored) {
  EXPECT_EQ(HandshakeErrorWithCaFile(dir_->path() + "/missing.pem"),
            "TLS with localhost failed: the extra CA certificate file " + dir_->path() +
                "/missing.pem (VELMORA_CA_FILE) cannot be read");
  WriteFileBytes(*dir_ / "garbage.pem", "not a certificate\n");
  EXPECT_EQ(HandshakeErrorWithCaFile(dir_->path() + "/garbage.pem"),
            "TLS with localhost failed: the extra CA certificate file " + dir_->path() +
                "/garbage.pem (VELMORA_CA_FILE) holds no readable PEM certificate");
}

TEST_F(TlsTest, ReadWaitsOnlyAsLongAsAskedAndReportsABareClose) {
  CaFileSetting ca(Certificates().caFile());
  TlsTestServer server({Certificates().good(), "cut short", 0, false});
  LoopbackClient client(server.port());
  WTlsConnection tls(client.fd(), "localhost");
  ASSERT_EQ(tls.Handshake(5000), Success) << tls.errorText();
  char buffer[64];
  // The server says nothing until it has the request.
  EXPECT_EQ(tls.Read(buffer, sizeof buffer, 100), WTlsConnection::kTimedOut);
  ASSERT_EQ(tls.WriteAll(kRequest.data(), kRequest.size(), 5000), Success);
  EXPECT_EQ(ReadToEnd(tls), "cut short");
  EXPECT_TRUE(tls.closedWithoutNotify());
}

TEST_F(TlsTest, MisuseGivesErrorsNotCrashes) {
  WTlsConnection noSocket(-1, "localhost");
  EXPECT_EQ(noSocket.Handshake(100), NetConnectError);
  EXPECT_EQ(noSocket.errorText(), "TLS with localhost failed: there is no connected socket");
  char buffer[8];
  EXPECT_EQ(noSocket.Read(buffer, sizeof buffer, 10), WTlsConnection::kError);
  EXPECT_EQ(noSocket.Write("x", 1, 10), WTlsConnection::kError);
  EXPECT_FALSE(noSocket.Shutdown(10));
  LoopbackServer server(Reply(""));
  LoopbackClient client(server.port());
  WTlsConnection badHost(client.fd(), "bad host\r\nX: y");
  EXPECT_EQ(badHost.Handshake(100), NetConnectError);
  EXPECT_NE(badHost.errorText().find("no valid host name"), std::string::npos);
  EXPECT_EQ(badHost.Handshake(100), NetConnectError);
  EXPECT_NE(badHost.errorText().find("already run"), std::string::npos);
}

TEST_F(TlsTest, NginxServesAFileByteForByte) {
  if (NginxServer::FindBinary().empty()) GTEST_SKIP() << "nginx is not installed";
  CaFileSetting ca(Certificates().caFile());
  TempDir work, root;
  std::string body = PatternBytes(3 * 1024 * 1024 + 17);
  WriteFileBytes(root / "file.bin", body);
  NginxServer nginx(work.path(), root.path(), false);
  nginx.UseTls(Certificates().good().certificate, Certificates().good().key);
  ASSERT_TRUE(nginx.Start()) << nginx.ErrorLog();
  LoopbackClient client(nginx.port());
  WTlsConnection tls(client.fd(), "localhost");
  ASSERT_EQ(tls.Handshake(5000), Success) << tls.errorText();
  std::string request = "GET /file.bin HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
  ASSERT_EQ(tls.WriteAll(request.data(), request.size(), 5000), Success);
  std::string answer = ReadToEnd(tls);
  size_t headEnd = answer.find("\r\n\r\n");
  ASSERT_NE(headEnd, std::string::npos);
  EXPECT_EQ(answer.compare(0, 15, "HTTP/1.1 200 OK"), 0) << answer.substr(0, headEnd);
  EXPECT_TRUE(answer.substr(headEnd + 4) == body) << "body differs";
  EXPECT_FALSE(tls.closedWithoutNotify());
}

}  // namespace
