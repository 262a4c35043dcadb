#include "rpc/HttpRequestReader.h"

#include <gtest/gtest.h>

namespace {

using rpc::HttpRequestReader;
using State = HttpRequestReader::State;

const std::string kPost =
    "POST /jsonrpc HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: 11\r\n\r\n{\"a\":\"bc\"}\n";

TEST(HttpRequestReader, SameRequestWhetherWholeByteByByteOrCutAnywhere) {
  for (std::size_t cut = 0; cut <= kPost.size(); ++cut) {
    HttpRequestReader reader;
    State first = reader.Feed(std::string_view(kPost).substr(0, cut));
    if (cut < kPost.size()) {
      EXPECT_EQ(first, State::NeedMore) << cut;
    }
    ASSERT_EQ(reader.Feed(std::string_view(kPost).substr(cut)), State::Ready) << cut;
    const rpc::HttpRequest request = reader.Take();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/jsonrpc");
    EXPECT_EQ(request.Header("content-type"), "application/json");
    EXPECT_EQ(request.body, "{\"a\":\"bc\"}\n");
  }
  HttpRequestReader bytewise;
  State state = State::NeedMore;
  for (char c : kPost) state = bytewise.Feed(std::string_view(&c, 1));
  EXPECT_EQ(state, State::Ready);
}

TEST(HttpRequestReader, PipelinedRequestsComeOneAfterAnother) {
  HttpRequestReader reader;
  ASSERT_EQ(reader.Feed(kPost + kPost.substr(0, 20)), State::Ready);
  reader.Take();
  EXPECT_EQ(reader.Feed({}), State::NeedMore);
  EXPECT_EQ(reader.Feed(kPost.substr(20)), State::Ready);
  EXPECT_EQ(reader.Take().body.size(), 11u);
}

TEST(HttpRequestReader, BodyOverTheCapIsRefusedBeforeItArrives) {
  HttpRequestReader reader(1024);
  EXPECT_EQ(reader.Feed("POST /jsonrpc HTTP/1.1\r\nContent-Length: 1025\r\n\r\n"), State::Failed);
  EXPECT_EQ(reader.failureStatus(), 413);
  HttpRequestReader exact(1024);
  EXPECT_EQ(exact.Feed("POST /jsonrpc HTTP/1.1\r\nContent-Length: 1024\r\n\r\n" + std::string(1024, 'x')), State::Ready);
}

TEST(HttpRequestReader, OversizeHeadAndTooManyFieldsAreRefused) {
  HttpRequestReader endless;
  EXPECT_EQ(endless.Feed("GET / HTTP/1.1\r\nX: " + std::string(HttpRequestReader::kHeadCap + 1, 'a')), State::Failed);
  EXPECT_EQ(endless.failureStatus(), 431);
  std::string many = "GET / HTTP/1.1\r\n";
  for (std::size_t i = 0; i <= HttpRequestReader::kHeaderCountCap; ++i) many += "X-" + std::to_string(i) + ": 1\r\n";
  HttpRequestReader crowded;
  EXPECT_EQ(crowded.Feed(many + "\r\n"), State::Failed);
  EXPECT_EQ(crowded.failureStatus(), 431);
}

TEST(HttpRequestReader, MalformedHeadsAndLengthsAreRefused) {
  const char* bad[] = {
      "POST /jsonrpc\r\n\r\n",
      "POST /jsonrpc HTTP/2.0\r\n\r\n",
      "POST /jsonrpc HTTP/1.1\r\nNoColon\r\n\r\n",
      "POST /jsonrpc HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
      "POST /jsonrpc HTTP/1.1\r\nContent-Length: 1, 1\r\n\r\n",
      "POST /jsonrpc HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n",
  };
  for (const char* head : bad) {
    HttpRequestReader reader;
    EXPECT_EQ(reader.Feed(head), State::Failed) << head;
    EXPECT_EQ(reader.failureStatus(), 400) << head;
  }
  HttpRequestReader chunked;
  EXPECT_EQ(chunked.Feed("POST /jsonrpc HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"), State::Failed);
  EXPECT_EQ(chunked.failureStatus(), 501);
}

TEST(HttpRequestReader, KeepAliveFollowsVersionAndConnectionField) {
  HttpRequestReader reader;
  reader.Feed("GET / HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(reader.Take().KeepAlive());
  reader.Feed("GET / HTTP/1.1\r\nConnection: Close\r\n\r\n");
  EXPECT_FALSE(reader.Take().KeepAlive());
  reader.Feed("GET / HTTP/1.0\r\n\r\n");
  EXPECT_FALSE(reader.Take().KeepAlive());
}

}  // namespace
