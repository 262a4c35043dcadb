#include "rpc/RpcServer.h"

#include "rpc/AuthThrottle.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include <gtest/gtest.h>

#include "tests/support/Eventually.h"

namespace {

using nlohmann::json;

const char kSecret[] = "correct-horse";

// A blocking loopback client that reads with a deadline, so a server that
// never answers fails the test instead of hanging it.
class Client {
 public:
  explicit Client(uint16_t port) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { ::close(fd); }

  void Send(const std::string& bytes) { ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }
  void Post(const std::string& body, const std::string& extra = {}) {
    Send("POST /jsonrpc HTTP/1.1\r\nHost: x\r\n" + extra + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  }
  // Reads until `done(buffer)` holds or the peer closes; false on timeout.
  template <class Done>
  bool ReadUntil(Done done, int ms = 5000) {
    while (!done(buffer)) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, ms) <= 0) return false;
      char chunk[65536];
      const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
      if (got <= 0) return done(buffer);
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
  }
  // One whole HTTP answer: its head and body.
  bool ReadAnswer(std::string& head, std::string& body) {
    auto whole = [](const std::string& b) {
      const std::size_t end = b.find("\r\n\r\n");
      if (end == std::string::npos) return false;
      const std::size_t at = b.find("Content-Length: ");
      const std::size_t length = at < end ? std::stoul(b.substr(at + 16)) : 0;
      return b.size() >= end + 4 + length;
    };
    if (!ReadUntil(whole)) return false;
    const std::size_t end = buffer.find("\r\n\r\n");
    const std::size_t at = buffer.find("Content-Length: ");
    const std::size_t length = at < end ? std::stoul(buffer.substr(at + 16)) : 0;
    head = buffer.substr(0, end);
    body = buffer.substr(end + 4, length);
    buffer.erase(0, end + 4 + length);
    return true;
  }
  bool NothingWaiting() {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0 && buffer.empty();
  }

  int fd = -1;
  bool connected = false;
  std::string buffer;
};

std::string Call(const std::string& method, const std::string& token, const std::string& id = "1") {
  return R"({"jsonrpc":"2.0","id":")" + id + R"(","method":")" + method + R"(","params":["token:)" + token + R"(","p"]})";
}

rpc::CallOutcome Echo(const std::string& method, const json& params) {
  rpc::CallOutcome outcome;
  outcome.result = json{{"method", method}, {"params", params}};
  return outcome;
}

class RpcServerTest : public ::testing::Test {
 protected:
  void StartServer(std::vector<std::string> origins = {}) {
    rpc::RpcServerOptions options;
    options.port = 0;
    options.secret = kSecret;
    options.allowedOrigins = std::move(origins);
    options.bodyCap = 4096;
    options.messageCap = 4096;
    options.clockMs = [this] { return now.load(); };
    options.log = [this](const std::string& line) {
      std::lock_guard<std::mutex> lock(logMutex);
      logged.push_back(line);
    };
    server = std::make_unique<rpc::RpcServer>(options);
    const Failure failure = server->Start();
    ASSERT_FALSE(failure) << failure.message;
  }
  // What the main loop does: wait for calls, then run them.
  void ServeOnce() {
    ASSERT_TRUE(server->WaitForCalls(5000));
    EXPECT_GT(server->Serve(Echo), 0u);
  }

  std::size_t LogLines() {
    std::lock_guard<std::mutex> lock(logMutex);
    return logged.size();
  }

  std::atomic<int64_t> now{1'000'000};
  std::mutex logMutex;
  std::vector<std::string> logged;
  std::unique_ptr<rpc::RpcServer> server;
};

TEST_F(RpcServerTest, APostedCallIsRunByTheMainLoopAndAnswered) {
  StartServer();
  Client client(server->port());
  ASSERT_TRUE(client.connected);
  client.Post(Call("aria2.getVersion", kSecret));
  ServeOnce();
  std::string head, body;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("HTTP/1.1 200"), std::string::npos);
  EXPECT_NE(head.find("application/json-rpc"), std::string::npos);
  const json answer = json::parse(body);
  EXPECT_EQ(answer["result"]["method"], "aria2.getVersion");
  EXPECT_EQ(answer["result"]["params"], json::array({"p"})) << "the secret never reaches the handler";
  // The connection stays for the next call.
  client.Post(Call("aria2.tellActive", kSecret, "2"));
  ServeOnce();
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_EQ(json::parse(body)["id"], "2");
}

TEST_F(RpcServerTest, WrongSecretsAreSlowedDownPerAddressAndLogged) {
  StartServer();
  Client client(server->port());
  client.Post(Call("aria2.pauseAll", "guess"));
  std::string head, body;
  // Held back while the injected clock stands still.
  ASSERT_TRUE(Eventually([this] { return LogLines() == 1; }));
  EXPECT_TRUE(client.NothingWaiting());
  now += rpc::AuthThrottle::kFirstDelayMs;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("HTTP/1.1 400"), std::string::npos);
  EXPECT_EQ(json::parse(body)["error"]["message"], "Unauthorized");
  {
    std::lock_guard<std::mutex> lock(logMutex);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("127.0.0.1"), std::string::npos);
  }
  // The second guess waits twice as long; a second connection does not
  // escape it, and even the right secret waits its turn.
  client.Post(Call("aria2.pauseAll", "guess2"));
  ASSERT_TRUE(Eventually([this] { return LogLines() == 2; }));
  now += rpc::AuthThrottle::kFirstDelayMs;
  Client other(server->port());
  other.Post(Call("aria2.pauseAll", kSecret));
  EXPECT_FALSE(server->WaitForCalls(50)) << "nothing from a waiting address runs";
  now += rpc::AuthThrottle::kFirstDelayMs;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_EQ(json::parse(body)["error"]["message"], "Unauthorized");
  ServeOnce();
  ASSERT_TRUE(other.ReadAnswer(head, body));
  EXPECT_EQ(json::parse(body)["result"]["method"], "aria2.pauseAll");
}

TEST_F(RpcServerTest, AHeldBackAnswerIsSentBeforeAClosingConnectionEnds) {
  StartServer();
  Client client(server->port());
  client.Post(Call("aria2.pauseAll", "guess"), "Connection: close\r\n");
  ASSERT_TRUE(Eventually([this] { return LogLines() == 1; }));
  now += rpc::AuthThrottle::kFirstDelayMs;
  std::string head, body;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_EQ(json::parse(body)["error"]["message"], "Unauthorized");
}

TEST_F(RpcServerTest, OversizeBodiesAreRefusedAndTheConnectionClosed) {
  StartServer();
  Client client(server->port());
  client.Send("POST /jsonrpc HTTP/1.1\r\nContent-Length: 4097\r\n\r\n");
  std::string head, body;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("413"), std::string::npos);
  EXPECT_NE(head.find("Connection: close"), std::string::npos);
  EXPECT_TRUE(client.ReadUntil([](const std::string&) { return false; }, 5000) == false);
}

TEST_F(RpcServerTest, OtherPathsAndMethodsAreRefused) {
  StartServer();
  Client client(server->port());
  client.Send("GET /other HTTP/1.1\r\n\r\n");
  std::string head, body;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("404"), std::string::npos);
  client.Send("PUT /jsonrpc HTTP/1.1\r\nContent-Length: 0\r\n\r\n");
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("405"), std::string::npos);
}

TEST_F(RpcServerTest, CorsAnswersOnlyListedOrigins) {
  StartServer({"https://ui.example"});
  Client client(server->port());
  client.Send("OPTIONS /jsonrpc HTTP/1.1\r\nOrigin: https://ui.example\r\n\r\n");
  std::string head, body;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("Access-Control-Allow-Origin: https://ui.example"), std::string::npos);
  client.Post(Call("aria2.getVersion", kSecret), "Origin: https://evil.example\r\n");
  ServeOnce();
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_EQ(head.find("Access-Control-Allow-Origin"), std::string::npos);
}

std::string Masked(const std::string& payload, uint8_t first = 0x81) {
  std::string frame(1, static_cast<char>(first));
  const char mask[4] = {1, 2, 3, 4};
  if (payload.size() < 126) {
    frame.push_back(static_cast<char>(0x80 | payload.size()));
  } else {
    frame.push_back(static_cast<char>(0x80 | 126));
    frame.push_back(static_cast<char>(payload.size() >> 8));
    frame.push_back(static_cast<char>(payload.size() & 0xff));
  }
  frame.append(mask, 4);
  for (std::size_t i = 0; i < payload.size(); ++i) frame.push_back(static_cast<char>(payload[i] ^ mask[i % 4]));
  return frame;
}

const char kHandshake[] =
    "GET /jsonrpc HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";

// The payload of the next unmasked text frame the server sends (short frames).
bool NextFrame(Client& client, std::string& payload) {
  auto whole = [](const std::string& b) {
    if (b.size() < 2) return false;
    std::size_t length = static_cast<uint8_t>(b[1]) & 0x7f, at = 2;
    if (length == 126) {
      if (b.size() < 4) return false;
      length = (static_cast<uint8_t>(b[2]) << 8) | static_cast<uint8_t>(b[3]);
      at = 4;
    }
    return b.size() >= at + length;
  };
  if (!client.ReadUntil(whole)) return false;
  std::size_t length = static_cast<uint8_t>(client.buffer[1]) & 0x7f, at = 2;
  if (length == 126) {
    length = (static_cast<uint8_t>(client.buffer[2]) << 8) | static_cast<uint8_t>(client.buffer[3]);
    at = 4;
  }
  payload = client.buffer.substr(at, length);
  client.buffer.erase(0, at + length);
  return true;
}

TEST_F(RpcServerTest, WebSocketCarriesCallsAndNotifications) {
  StartServer();
  Client client(server->port());
  client.Send(std::string(kHandshake) + "\r\n");
  ASSERT_TRUE(client.ReadUntil([](const std::string& b) { return b.find("\r\n\r\n") != std::string::npos; }));
  EXPECT_NE(client.buffer.find("101 Switching Protocols"), std::string::npos);
  EXPECT_NE(client.buffer.find("s3pPLMBiTxaQ9kYGzzhZRbK+xOo="), std::string::npos);
  client.buffer.erase(0, client.buffer.find("\r\n\r\n") + 4);
  client.Send(Masked(Call("aria2.tellActive", kSecret, "w")));
  ServeOnce();
  std::string payload;
  ASSERT_TRUE(NextFrame(client, payload));
  EXPECT_EQ(json::parse(payload)["id"], "w");
  server->Notify("aria2.onDownloadStart", "00000000000000aa");
  ASSERT_TRUE(NextFrame(client, payload));
  EXPECT_EQ(json::parse(payload)["params"][0]["gid"], "00000000000000aa");
  // Over the cap: closed with 1009.
  client.Send(Masked(std::string(5000, ' ')));
  ASSERT_TRUE(client.ReadUntil([](const std::string& b) { return b.size() >= 4; }));
  EXPECT_EQ(static_cast<uint8_t>(client.buffer[0]), 0x88);
  EXPECT_EQ(client.buffer.substr(2, 2), std::string("\x03\xf1", 2));
}

TEST_F(RpcServerTest, WebSocketsFromUnlistedOriginsAreRefused) {
  StartServer({"https://ui.example"});
  Client client(server->port());
  client.Send(std::string(kHandshake) + "Origin: https://evil.example\r\n\r\n");
  std::string head, body;
  ASSERT_TRUE(client.ReadAnswer(head, body));
  EXPECT_NE(head.find("403"), std::string::npos);
}

TEST(RpcServerStart, BeyondLoopbackNeedsTlsOrAnExplicitPlainSwitch) {
  rpc::RpcServerOptions options;
  options.host = "0.0.0.0";
  options.port = 0;
  options.secret = kSecret;
  rpc::RpcServer plain(options);
  EXPECT_EQ(plain.Start().cause, FailureCause::BadInput);

  options.certificateFile = "/nonexistent/cert.pem";
  options.keyFile = "/nonexistent/key.pem";
  rpc::RpcServer missing(options);
  EXPECT_EQ(missing.Start().cause, FailureCause::TlsCertificate);

  rpc::RpcServerOptions noSecret;
  noSecret.port = 0;
  rpc::RpcServer open(noSecret);
  EXPECT_EQ(open.Start().cause, FailureCause::BadInput);
}

}  // namespace
