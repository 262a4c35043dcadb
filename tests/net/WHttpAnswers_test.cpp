// Server answers as real servers send them, replayed to WHttp split across
// reads every way: all at once, one byte at a time, head and body apart,
// cut in two anywhere, and with failed reads (pauses) between body bytes;
// then over a real loopback connection with pauses, into memory and into a
// file. Every way must give the same result code and the same body bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>

#include "net/WHttp.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kRequest = "GET / HTTP/1.1\r\n\r\n";

struct Answer {
  std::string name;
  std::string wire;
  ResultCode result;
  std::string body;      // the body a success delivers
  bool decoded = false;  // the file path writes decoded bodies with a byte-order mark
};

struct Got {
  ResultCode result;
  std::string body;
};

int SendAll(int32_t*, const char*, int32_t length, int32_t) { return static_cast<int>(length); }

Got ExchangeScripted(std::vector<PeerStep> steps, const std::string& request = kRequest) {
  SetScriptedPeer(std::move(steps));
  WHttp http;
  http.SetReadPause(0);
  http.recvFn = &ScriptedRecv;
  http.sendFn = &SendAll;
  std::vector<char> buffer(1 << 20);
  ResultCode result = http.ExchangeToBuffer(request.data(), static_cast<int64_t>(request.size()), buffer.data(),
                                            buffer.size());
  std::string body = result == Success ? std::string(buffer.data(), static_cast<size_t>(http.contentLength)) : "";
  return {result, body};
}

// Where the final head (after any interim ones) ends.
size_t HeadEnd(const std::string& wire) {
  size_t from = 0;
  while (true) {
    size_t crlf = wire.find("\r\n\r\n", from);
    size_t lf = wire.find("\n\n", from);
    size_t end = std::min(crlf == std::string::npos ? wire.size() : crlf + 4,
                          lf == std::string::npos ? wire.size() : lf + 2);
    if (wire.compare(from, 10, "HTTP/1.1 1") != 0 || end == wire.size()) return end;
    from = end;
  }
}

std::vector<std::vector<PeerStep>> SplitWays(const std::string& wire) {
  std::vector<std::vector<PeerStep>> ways;
  ways.push_back({{wire}});
  std::vector<PeerStep> bytes, pauses;
  const size_t head = HeadEnd(wire);
  pauses.push_back({wire.substr(0, head)});
  for (size_t i = 0; i < wire.size(); ++i) {
    bytes.push_back({wire.substr(i, 1)});
    if (i >= head) {
      pauses.push_back(Fail());
      pauses.push_back({wire.substr(i, 1)});
    }
  }
  ways.push_back(bytes);
  ways.push_back(pauses);
  ways.push_back({{wire.substr(0, head)}, {wire.substr(head)}});
  for (size_t i = 1; i < wire.size(); ++i) ways.push_back({{wire.substr(0, i)}, {wire.substr(i)}});
  return ways;
}

void ExpectEveryWay(const Answer& answer) {
  for (const auto& way : SplitWays(answer.wire)) {
    Got got = ExchangeScripted(way);
    ASSERT_EQ(got.result, answer.result) << answer.name << " in " << way.size() << " reads";
    ASSERT_EQ(got.body, answer.body) << answer.name << " in " << way.size() << " reads";
  }
}

// Over a real connection, head and body apart with a pause, into memory and
// into a file.
void ExpectOverLoopback(const Answer& answer) {
  const size_t head = HeadEnd(answer.wire);
  LoopbackServer server(ScriptedReply{{answer.wire.substr(0, head), answer.wire.substr(head)}, 20, false});
  WHttp http;
  std::vector<char> buffer(1 << 20);
  EXPECT_EQ(http.RequestToBuffer(server.Url("/").c_str(), nullptr, 0, buffer.data(), buffer.size(), "GET", ""),
            answer.result)
      << answer.name;
  if (answer.result == Success) {
    EXPECT_EQ(std::string(buffer.data(), static_cast<size_t>(http.contentLength)), answer.body) << answer.name;
  }
  TempDir dir;
  EXPECT_EQ(http.DownloadFile(server.Url("/").c_str(), (dir / "f").c_str(), false, false), answer.result)
      << answer.name;
  if (answer.result == Success) {
    EXPECT_EQ(ReadFileBytes(dir / "f"), (answer.decoded ? "\xEF\xBB\xBF" : "") + answer.body) << answer.name;
  }
}

void ExpectAll(const std::vector<Answer>& answers) {
  for (const Answer& answer : answers) {
    ExpectEveryWay(answer);
    ExpectOverLoopback(answer);
  }
}

std::string Head(const std::string& fields) { return "HTTP/1.1 200 OK\r\n" + fields + "\r\n"; }

TEST(Answers, BareLineFeedsEndHeadAndChunkLines) {
  ExpectAll({
      {"LF head", "HTTP/1.1 200 OK\nContent-Length: 5\n\nhello", Success, "hello"},
      {"mixed head", "HTTP/1.1 200 OK\r\nContent-Length: 5\n\r\nhello", Success, "hello"},
      {"LF chunks", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabc\n2\r\nde\n0\n\n", Success, "abcde", true},
  });
}

TEST(Answers, ChunkedBodiesAreReadStrictly) {
  const std::string chunked = Head("Transfer-Encoding: chunked\r\n");
  ExpectAll({
      {"extensions and trailers",
       chunked + "5;a=b\r\nhello\r\n1A ;x\r\n" + std::string(26, 'z') + "\r\n0\r\nT: 1\r\n\r\n", Success,
       "hello" + std::string(26, 'z'), true},
      {"empty chunked body", chunked + "0\r\n\r\n", Success, "", true},
      {"size with junk", chunked + "5x\r\nhello\r\n0\r\n\r\n", NetReadError, ""},
      {"size overflow", chunked + "10000000000000000\r\nhello\r\n0\r\n\r\n", NetReadError, ""},
      {"data longer than size", chunked + "3\r\nhello\r\n0\r\n\r\n", NetReadError, ""},
      {"closed before the last chunk", chunked + "5\r\nhello\r\n", NetReadError, ""},
      {"closed inside a chunk", chunked + "5\r\nhel", NetReadError, ""},
  });
}

TEST(Answers, TransferCodingsAreAListWithChunkedLast) {
  const std::string text = "transfer coded " + std::string(200, 't');
  const std::string packed = MakeGzip(text);
  ExpectAll({
      {"gzip, chunked",
       Head("Transfer-Encoding: gzip, chunked\r\n") + MakeChunked({packed.substr(0, 9), packed.substr(9)}),
       Success, text, true},
      {"Chunked in capitals", Head("Transfer-Encoding: Chunked\r\n") + MakeChunked({"ok"}), Success, "ok", true},
      {"br is named, never handed over", Head("Transfer-Encoding: br, chunked\r\n") + MakeChunked({"raw"}),
       HttpTypeError, ""},
      {"chunked not last", Head("Transfer-Encoding: chunked, gzip\r\n") + MakeChunked({"raw"}), NetReadError, ""},
  });
}

TEST(Answers, AnswersWithoutABodyEndWithTheirHead) {
  ExpectAll({
      {"interim answers are skipped",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX: y\r\n\r\n"
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       Success, "ok"},
      {"204 with a length", "HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n", Success, ""},
      {"304 is outside the success range", "HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n", HttpTypeError,
       ""},
  });
}

TEST(Answers, NoWaitAfterABodilessHead) {
  // The server then stays silent with the connection open: a client that
  // waited for the declared bytes would wait a minute per read.
  for (const char* head : {"HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n",
                           "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"}) {
    ScriptedReply reply = Reply(head);
    reply.holdOpen = true;
    LoopbackServer server(reply);
    WHttp http;
    const bool isHead = std::string(head).find("204") == std::string::npos;
    http.SetEndpoint("127.0.0.1", server.port());
    ASSERT_EQ(http.Connect(), Success);
    http.ioSocket = http.socketHandle();
    const std::string request = std::string(isHead ? "HEAD" : "GET") + " / HTTP/1.1\r\nHost: x\r\n\r\n";
    std::string body = "<untouched>";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.Exchange(request.data(), static_cast<int64_t>(request.size()), body), Success) << head;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << head;
    EXPECT_EQ(body, "");
    if (isHead) {
      EXPECT_EQ(http.contentLength, 1000);
    }
    http.CloseConnection();
  }
}

TEST(Answers, ContentLengthRepeatsMustAgree) {
  ExpectAll({
      {"same value twice", Head("Content-Length: 3\r\nContent-Length: 3\r\n") + "abc", Success, "abc"},
      {"same value listed", Head("Content-Length: 3, 3\r\n") + "abc", Success, "abc"},
      {"differing values", Head("Content-Length: 3\r\nContent-Length: 4\r\n") + "abcd", NetReadError, ""},
      {"differing list", Head("Content-Length: 4, 3\r\n") + "abcd", NetReadError, ""},
  });
}

TEST(Answers, BodiesWithoutALengthArriveWholeAtTheClose) {
  const std::string data = PatternBytes(2000);
  const std::string text = "to the close " + std::string(3000, 'c');
  ExpectAll({
      {"identity", Head("Content-Type: application/octet-stream\r\n") + data, Success, data},
      {"empty", Head(""), Success, ""},
      {"gzip", Head("Content-Encoding: gzip\r\n") + MakeGzip(text), Success, text, true},
  });
  // Large, over a real connection in pieces with pauses.
  const std::string big = PatternBytes(300000);
  LoopbackServer server(ScriptedReply{{Head(""), big.substr(0, 1000), big.substr(1000, 150000), big.substr(151000)},
                                      15, false});
  WHttp http;
  std::vector<char> buffer(400000);
  ASSERT_EQ(http.RequestToBuffer(server.Url("/").c_str(), nullptr, 0, buffer.data(), buffer.size(), "GET", ""),
            Success);
  EXPECT_EQ(http.contentLength, 300000);
  EXPECT_EQ(std::string(buffer.data(), 300000), big);
}

TEST(Answers, BytesAfterTheLengthAreIgnored) {
  ExpectAll({
      {"extra bytes", Head("Content-Length: 5\r\n") + "helloEXTRA\r\nHTTP/1.1 200 OK\r\n\r\n", Success, "hello"},
      {"zero length", Head("Content-Length: 0\r\n") + "not a body", Success, ""},
      {"gzip length", [] {
         std::string packed = MakeGzip("exact");
         return Head("Content-Encoding: gzip\r\nContent-Length: " + std::to_string(packed.size()) + "\r\n") + packed +
                "garbage";
       }(),
       Success, "exact", true},
  });
}

TEST(Answers, GzipAndDeflateAsServersSendThem) {
  const std::string text = "content coded " + PatternBytes(500);
  const std::string multi = MakeGzip("first ") + MakeGzipMember("second ", {"xt", "name.txt", "note", true}) +
                            MakeGzipMember(text, {"", "", "", true});
  const std::string whole = "first second " + text;
  const std::string zlib = MakeDeflate(text, true);
  const std::string raw = MakeDeflate(text, false);
  auto withLength = [](const std::string& coding, const std::string& bytes) {
    return Head("Content-Encoding: " + coding + "\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n") + bytes;
  };
  std::string badCrc = MakeGzip(text);
  badCrc[badCrc.size() - 6] ^= 0x40;
  ExpectAll({
      {"multi-member gzip", withLength("gzip", multi), Success, whole, true},
      {"multi-member gzip, chunked", Head("Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n") +
                                         MakeChunked({multi.substr(0, 30), multi.substr(30)}),
       Success, whole, true},
      {"x-gzip to the close", Head("Content-Encoding: x-gzip\r\n") + multi, Success, whole, true},
      {"zlib deflate", withLength("deflate", zlib), Success, text, true},
      {"raw deflate", withLength("Deflate", raw), Success, text, true},
      {"raw deflate, chunked", Head("Content-Encoding: deflate\r\nTransfer-Encoding: chunked\r\n") + MakeChunked({raw}),
       Success, text, true},
      {"empty gzip member", withLength("gzip", MakeGzip("")), Success, "", true},
      {"bad CRC", withLength("gzip", badCrc), Z_DATA_ERROR, ""},
      {"cut member", withLength("gzip", multi.substr(0, multi.size() - 3)), Z_DATA_ERROR, ""},
      {"unknown content coding", withLength("br", "raw"), HttpTypeError, ""},
  });
}

TEST(Answers, ControlCharactersInTheHeadFail) {
  ExpectAll({
      {"NUL in a value", Head(std::string("X-A: a\0b\r\n", 10) + "Content-Length: 2\r\n") + "ok", NetReadError, ""},
      {"NUL in a name", Head(std::string("X\0: a\r\n", 7) + "Content-Length: 2\r\n") + "ok", NetReadError, ""},
      {"escape in a value", Head("X-A: \x1b[2J\r\nContent-Length: 2\r\n") + "ok", NetReadError, ""},
      {"bare CR in a value", Head("X-A: a\rContent-Length: 2\r\n") + "ok", NetReadError, ""},
      {"tab and high bytes are text", Head("X-A: a\tb \xE4\r\nContent-Length: 2\r\n") + "ok", Success, "ok"},
  });
}

TEST(Answers, StalledPeersAndStopNeverEndInSuccess) {
  const std::string head = Head("Content-Length: 10\r\n");
  // Five failed reads in a row end the read as a failure, not with what arrived.
  EXPECT_EQ(ExchangeScripted({{head + "hel"}, Fail(), Fail(), Fail(), Fail(), Fail(), {"lo67890"}}).result,
            NetReadError);
  EXPECT_EQ(ExchangeScripted({{head + "hel"}, Fail(), Fail(), Fail(), Fail(), {"lo67890"}}).body, "hello67890");
  const std::string chunked = Head("Transfer-Encoding: chunked\r\n");
  EXPECT_EQ(ExchangeScripted({{chunked + "5\r\nhel"}, Fail(), Fail(), Fail(), Fail(), Fail(), {"lo\r\n0\r\n\r\n"}})
                .result,
            NetReadError);
  EXPECT_EQ(ExchangeScripted({{Head("") + "to close"}, Fail(), Fail(), Fail(), Fail(), Fail()}).result, NetReadError);
  // A failed read before the head ends fails the head at once.
  EXPECT_EQ(ExchangeScripted({{"HTTP/1.1 200 OK\r\n"}, Fail(), {"\r\n"}}).result, NetReadError);
}

TEST(Answers, LargeChunksArriveInManyReadsAndJoinInOrder) {
  const std::string data = PatternBytes(200000);
  const std::string wire = Head("Transfer-Encoding: chunked\r\n") + MakeChunked({data, "tail"});
  std::vector<PeerStep> steps;
  for (size_t at = 0; at < wire.size(); at += 7000) steps.push_back({wire.substr(at, 7000)});
  Got got = ExchangeScripted(steps);
  EXPECT_EQ(got.result, Success);
  EXPECT_EQ(got.body, data + "tail");
}

TEST(Answers, InMemoryBodiesKeepTheirCap) {
  const std::string chunked = Head("Transfer-Encoding: chunked\r\n") + MakeChunked({"0123456789", "0123456789"});
  for (const std::string& wire : {chunked, Head("") + std::string(30, 'x'),
                                  Head("Content-Length: 30\r\n") + std::string(30, 'x'),
                                  Head("Content-Encoding: gzip\r\n") + MakeGzip(std::string(30, 'x'))}) {
    SetScriptedPeer({{wire}});
    WHttp http;
    http.SetReadPause(0);
    http.SetBodyLimit(15);
    http.recvFn = &ScriptedRecv;
    http.sendFn = &SendAll;
    std::string body = "<untouched>";
    ResultCode result = http.Exchange(kRequest.data(), static_cast<int64_t>(kRequest.size()), body);
    EXPECT_TRUE(result == NetReadError || result == MallocError) << result << " for " << wire.substr(0, 50);
    EXPECT_EQ(body, "<untouched>");
  }
}

struct HostProbe : WHttp {
  using WHttp::HostField;
};

TEST(Answers, HostNamesThePortWhenItIsNot80) {
  EXPECT_EQ(HostProbe::HostField({"example.org", 80, "/"}), "example.org");
  EXPECT_EQ(HostProbe::HostField({"example.org", 8080, "/"}), "example.org:8080");
  LoopbackServer server(Reply(Head("Content-Length: 0\r\n")));
  TempDir dir;
  WHttp http;
  EXPECT_EQ(http.DownloadFile(server.Url("/f").c_str(), (dir / "f").c_str(), false, false), Success);
  EXPECT_NE(server.request().find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"),
            std::string::npos);
}

}  // namespace
