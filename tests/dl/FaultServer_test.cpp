// The misbehaving server the trials rely on: a seed must replay the same
// answers, and the faults must be the ones their names promise.
#include "tests/dl/support/FaultServer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "tests/net/support/LoopbackClient.h"

namespace {

std::string Ask(const FaultServer& server, const std::string& headers) {
  LoopbackClient client(server.port());
  std::string request = "GET /files/data.bin HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
  send(client.fd(), request.data(), request.size(), MSG_NOSIGNAL);
  return client.ReadAvailable(3000);
}

std::string BodyOf(const std::string& answer) {
  size_t blank = answer.find("\r\n\r\n");
  return blank == std::string::npos ? std::string() : answer.substr(blank + 4);
}

FaultSettings Only(Fault fault, uint64_t seed = 5) {
  FaultSettings settings;
  settings.seed = seed;
  settings.rate = 1;
  settings.size = 64 << 10;
  settings.maxDelayMs = 200;
  settings.kinds = {fault};
  return settings;
}

}  // namespace

TEST(FaultServer, TheSameSeedAndRequestsReplayTheSameAnswers) {
  FaultSettings settings;
  settings.seed = 42;
  settings.rate = 0.5;
  settings.size = 64 << 10;
  settings.maxDelayMs = 200;
  FaultServer first(settings), second(settings);
  const std::vector<std::string> asks = {"", "Range: bytes=1000-\r\n", "Range: bytes=0-4095\r\n",
                                         "Range: bytes=30000-\r\nIf-Range: \"2a-v0\"\r\n"};
  for (int round = 0; round < 6; ++round) {
    for (const std::string& ask : asks) {
      std::string a = Ask(first, ask), b = Ask(second, ask);
      // Retry-After dates follow the clock; everything else must match.
      if (a.find("Retry-After") == std::string::npos) {
        EXPECT_EQ(a, b) << "round " << round << " " << ask;
      }
    }
  }
  EXPECT_EQ(first.Describe(), second.Describe());
  settings.seed = 43;
  FaultServer other(settings);
  for (int round = 0; round < 6; ++round)
    for (const std::string& ask : asks) Ask(other, ask);
  EXPECT_NE(other.Describe(), first.Describe());
}

TEST(FaultServer, ThePageInPlaceOfTheFileIsASmallWebPage) {
  FaultServer server(Only(Fault::WebPage));
  std::string answer = Ask(server, "Range: bytes=100-\r\n");
  EXPECT_NE(answer.find("Content-Type: text/html"), std::string::npos);
  EXPECT_EQ(BodyOf(answer), FaultServer::WebPage());
  EXPECT_EQ(FaultServer::WebPage().size(), 339u);
}

TEST(FaultServer, AServerThatIgnoresIfRangeSendsTheNewVersionAsPartial) {
  FaultServer server(Only(Fault::IgnoreIfRange));
  const FileVersion& old = server.versions()[0];
  std::string answer = Ask(server, "Range: bytes=100-\r\nIf-Range: " + old.etag + "\r\n");
  const FileVersion& now = server.versions()[1];
  EXPECT_TRUE(answer.starts_with("HTTP/1.1 206")) << answer.substr(0, 200);
  EXPECT_NE(answer.find("ETag: " + now.etag), std::string::npos);
  EXPECT_EQ(BodyOf(answer), now.body.substr(100));
}

TEST(FaultServer, AStickyCutStopsEveryAnswerAtTheSamePlace) {
  FaultSettings settings = Only(Fault::CutSamePlace);
  settings.stickyChance = 1;
  FaultServer server(settings);
  std::string first = BodyOf(Ask(server, ""));
  std::string second = BodyOf(Ask(server, ""));
  std::string resumed = BodyOf(Ask(server, "Range: bytes=" + std::to_string(first.size()) + "-\r\n"));
  ASSERT_LT(first.size(), server.versions()[0].body.size());
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, server.versions()[0].body.substr(0, first.size()));
  EXPECT_TRUE(resumed.empty()) << resumed.size() << " bytes past the cut";
}

TEST(FaultServer, AShortLengthAnswersAResumeWithFewerBytesThanTheFile) {
  FaultServer server(Only(Fault::ShortLength));
  std::string answer = Ask(server, "Range: bytes=100-\r\n");
  ASSERT_TRUE(answer.starts_with("HTTP/1.1 200")) << answer.substr(0, 200);
  std::string body = BodyOf(answer);
  EXPECT_LT(body.size(), server.versions()[0].body.size());
  EXPECT_EQ(body, server.versions()[0].body.substr(0, body.size()));
}

TEST(FaultServer, ARangePastTheEndIsRefusedEvenWithoutAFault) {
  FaultSettings settings = Only(Fault::None);
  settings.rate = 0;
  FaultServer server(settings);
  const size_t size = server.versions()[0].body.size();
  std::string answer = Ask(server, "Range: bytes=" + std::to_string(size) + "-\r\n");
  EXPECT_TRUE(answer.starts_with("HTTP/1.1 416")) << answer.substr(0, 200);
  EXPECT_NE(answer.find("Content-Range: bytes */" + std::to_string(size)), std::string::npos);
}
