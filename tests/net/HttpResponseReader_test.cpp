#include "net/HttpResponseReader.h"

#include <gtest/gtest.h>

#include "tests/net/support/NetTestSupport.h"

namespace {

using State = HttpResponseReader::State;
using Framing = HttpResponseReader::Framing;

struct Outcome {
  State state = State::Head;
  ResultCode error = Success;
  std::string errorText;
  std::string body;
  int status = 0;
  Framing framing = Framing::None;
  size_t used = 0;  // bytes of the answer the reader took

  bool operator==(const Outcome& o) const {
    return state == o.state && error == o.error && body == o.body && status == o.status && framing == o.framing &&
           used == o.used;
  }
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  return out << "state " << static_cast<int>(o.state) << " error " << o.error << " (" << o.errorText << ") status "
             << o.status << " used " << o.used << " body[" << o.body.size() << "]";
}

// Feeds `wire` cut at `cuts` (stopping once the reader is done or failed),
// then reports the peer's close when `close` is set.
Outcome Read(const std::string& wire, const std::vector<size_t>& cuts, bool close,
             HttpResponseReader::Options options = {}) {
  HttpResponseReader reader(options);
  Outcome out;
  auto sink = [&](const char* data, size_t size) {
    out.body.append(data, size);
    return true;
  };
  size_t at = 0;
  std::vector<size_t> ends = cuts;
  ends.push_back(wire.size());
  for (size_t end : ends) {
    while (at < end && (reader.state() == State::Head || reader.state() == State::Body)) {
      size_t used = reader.Feed(wire.data() + at, end - at, sink);
      at += used;
      if (used == 0) break;
    }
  }
  if (close) reader.FinishAtClose(sink);
  out.state = reader.state();
  out.error = reader.error();
  out.errorText = reader.errorText();
  out.status = reader.head().status;
  out.framing = reader.framing();
  out.used = at;
  return out;
}

std::vector<size_t> EveryByte(size_t n) {
  std::vector<size_t> cuts;
  for (size_t i = 1; i < n; ++i) cuts.push_back(i);
  return cuts;
}

// Whole, one byte at a time, head and body apart, and cut in two at every
// position: all give `expected`.
void ExpectEverySplit(const std::string& wire, bool close, const Outcome& expected,
                      HttpResponseReader::Options options = {}) {
  EXPECT_EQ(Read(wire, {}, close, options), expected) << "whole: " << wire.substr(0, 60);
  EXPECT_EQ(Read(wire, EveryByte(wire.size()), close, options), expected) << "bytewise: " << wire.substr(0, 60);
  size_t headEnd = wire.find("\r\n\r\n");
  if (headEnd != std::string::npos) {
    EXPECT_EQ(Read(wire, {headEnd + 4}, close, options), expected) << "head apart: " << wire.substr(0, 60);
  }
  for (size_t i = 0; i <= wire.size(); ++i)
    ASSERT_EQ(Read(wire, {i}, close, options), expected) << "cut at " << i << ": " << wire.substr(0, 60);
}

Outcome Done(const std::string& body, size_t used, int status = 200, Framing framing = Framing::Length) {
  Outcome o;
  o.state = State::Done;
  o.body = body;
  o.used = used;
  o.status = status;
  o.framing = framing;
  return o;
}

// Only state and code matter for most failures.
void ExpectFails(const std::string& wire, ResultCode error, bool close = true,
                 HttpResponseReader::Options options = {}) {
  for (const auto& cuts : {std::vector<size_t>{}, EveryByte(wire.size())}) {
    Outcome o = Read(wire, cuts, close, options);
    EXPECT_EQ(o.state, State::Failed) << o << " for " << wire.substr(0, 80);
    EXPECT_EQ(o.error, error) << o.errorText << " for " << wire.substr(0, 80);
    EXPECT_FALSE(o.errorText.empty());
  }
}

TEST(ResponseHeadLines, BareLineFeedsEndLinesAndTheHead) {
  const std::string lf = "HTTP/1.1 200 OK\nContent-Length: 5\nX-A: 1\n\nhello";
  ExpectEverySplit(lf, false, Done("hello", lf.size()));
  const std::string mixed = "HTTP/1.1 200 OK\r\nContent-Length: 5\nX-A: 1\r\n\nhello";
  ExpectEverySplit(mixed, false, Done("hello", mixed.size()));
  HttpResponseReader reader;
  reader.Feed(lf.data(), lf.size(), {});
  EXPECT_EQ(reader.head().Value("x-a"), "1");
  EXPECT_EQ(reader.rawHead(), lf.substr(0, lf.size() - 5));
}

TEST(ResponseHeadLines, FieldsAreParsedAsSent) {
  const std::string wire =
      "HTTP/1.0 200 Fine Thing\r\nX-A:  one \t\r\nx-a: two\r\n: skipped\r\nno colon here\r\n"
      "Bad Name: skipped\r\nFolded: first\r\n   second\r\nObs: \xE4\xF6\tok\r\nEmpty:\r\nContent-Length: 0\r\n\r\n";
  HttpResponseReader reader;
  EXPECT_EQ(reader.Feed(wire.data(), wire.size(), {}), wire.size());
  ASSERT_EQ(reader.state(), State::Done);
  const HttpResponseHead& head = reader.head();
  EXPECT_EQ(head.versionMinor, 0);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.reason, "Fine Thing");
  EXPECT_EQ(head.statusLine, "HTTP/1.0 200 Fine Thing");
  ASSERT_EQ(head.fields.size(), 6u);
  EXPECT_EQ(head.fields[0], std::make_pair(std::string("X-A"), std::string("one")));
  EXPECT_EQ(head.fields[1].second, "two");
  EXPECT_EQ(head.Value("folded"), "first second");
  EXPECT_EQ(head.Value("Obs"), "\xE4\xF6\tok");
  EXPECT_TRUE(head.Has("empty"));
  EXPECT_EQ(head.Value("empty"), "");
  EXPECT_FALSE(head.Has("Bad Name"));
  EXPECT_EQ(head.ListValues("x-a"), (std::vector<std::string>{"one", "two"}));
}

TEST(ResponseHeadLines, ControlCharactersFailTheAnswer) {
  for (const std::string& line :
       {std::string("X-A: a\0b", 8), std::string("X-\0A: b", 7), std::string("X-A: a\x01z"), std::string("X-A: a\x7fz"),
        std::string("X-A: a\rb"), std::string("X-A\r: b"), std::string("\x1b[31m: x"), std::string("skip me\x02")}) {
    ExpectFails("HTTP/1.1 200 OK\r\n" + line + "\r\nContent-Length: 0\r\n\r\n", NetReadError);
  }
  ExpectFails(std::string("HTTP/1.1 200 O\0K", 16) + "\r\nContent-Length: 0\r\n\r\n", NetReadError);
  ExpectFails("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\rX\n", NetReadError);
}

TEST(ResponseHeadLines, StatusLinesThatAreNotHttpOneFail) {
  for (const char* line : {"HTTP/2 200 OK", "garbage", "HTTP/1.1 2000 OK", "HTTP/1.1 20 OK", "HTTP/1.1 abc OK",
                           "http/1.1 200 OK", "HTTP/1.1  200 OK", "HTTP/1.1 099 Low"})
    ExpectFails(std::string(line) + "\r\nContent-Length: 0\r\n\r\n", HttpTypeError);
  // No reason phrase is read as the code alone.
  EXPECT_EQ(Read("HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n", {}, false).status, 404);
}

TEST(ResponseHeadLines, HeadCapsHold) {
  std::string wire = "HTTP/1.1 200 OK\r\n";
  while (wire.size() < 70000) wire += "X-Filler: " + std::string(100, 'f') + "\r\n";
  ExpectFails(wire + "\r\n", NetReadError, false);
  HttpResponseReader::Options small;
  small.maxHeadBytes = 30;
  ExpectFails("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", NetReadError, false, small);
  // Endless interim answers count against the same cap.
  std::string interim;
  while (interim.size() < 70000) interim += "HTTP/1.1 100 Continue\r\n\r\n";
  ExpectFails(interim, NetReadError, false);
  // A cut head is never an answer.
  ExpectFails("HTTP/1.1 200 OK\r\nContent-Len", NetReadError);
  ExpectFails("", NetReadError);
}

TEST(ChunkedBodies, SizeLinesExtensionsAndTrailers) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::string wire = head + "5;name=value;x=\"q\"\r\nhello\r\n1A \r\n" + std::string(26, 'z') +
                           "\r\n1a\t;ext\r\n" + std::string(26, 'y') + "\r\n000\r\nX-Trailer: 1\r\nT2: x\r\n\r\n";
  ExpectEverySplit(wire, false, Done("hello" + std::string(26, 'z') + std::string(26, 'y'), wire.size(), 200,
                                     Framing::Chunked));
  const std::string lf = head + "3\nabc\n0\n\n";
  ExpectEverySplit(lf, false, Done("abc", lf.size(), 200, Framing::Chunked));
  const std::string empty = head + "0\r\n\r\n";
  ExpectEverySplit(empty, false, Done("", empty.size(), 200, Framing::Chunked));
}

TEST(ChunkedBodies, MalformedSizeLinesFailAtOnce) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (const char* line : {"5x", "", " 5", "-5", "0x5", "+5", "5 6", "g", "5\r\r", "8000000000000000",
                           "fffffffffffffffff", "5;a\x01"}) {
    // Failing at once: no close, no further bytes needed.
    Outcome o = Read(head + line + "\r\nhello\r\n0\r\n\r\n", {}, false);
    EXPECT_EQ(o.state, State::Failed) << line;
    EXPECT_EQ(o.error, NetReadError) << line;
  }
  ExpectFails(head + "5;" + std::string(5000, 'e') + "\r\nhello\r\n0\r\n\r\n", NetReadError, false);
  // Data longer than its size line says.
  ExpectFails(head + "3\r\nabcd\r\n0\r\n\r\n", NetReadError, false);
  // The largest size that fits is read as a size (and then the body is cut).
  ExpectFails(head + "7fffffffffffffff\r\nabc", NetReadNotEnd);
}

TEST(ChunkedBodies, EndingBeforeTheLastChunkIsAFailure) {
  const std::string wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n3\r\nabc\r\n0\r\n\r\n";
  const size_t bodyStart = wire.find("\r\n\r\n") + 4;
  const size_t lastChunk = wire.rfind("0\r\n");
  for (size_t n = bodyStart; n <= lastChunk + 1; ++n) {
    Outcome o = Read(wire.substr(0, n), {}, true);
    EXPECT_EQ(o.state, State::Failed) << "closed after " << n;
    EXPECT_EQ(o.error, NetReadNotEnd) << "closed after " << n;
  }
  // After the last chunk only the ignored trailer can be cut.
  EXPECT_EQ(Read(wire.substr(0, lastChunk + 3), {}, true).state, State::Done);
  EXPECT_EQ(Read(wire.substr(0, lastChunk + 3), {}, true).body, "helloabc");
}

TEST(ChunkedBodies, TrailersAndDecodedOutputHaveCaps) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  std::string trailers;
  while (trailers.size() < 70000) trailers += "X-T: " + std::string(100, 't') + "\r\n";
  ExpectFails(head + "1\r\nx\r\n0\r\n" + trailers + "\r\n", NetReadError, false);
  HttpResponseReader::Options small;
  small.maxDecodedBytes = 1000;
  const std::string bomb = MakeGzip(std::string(100000, 'b'));
  const std::string gzipped = "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n" + MakeChunked({bomb});
  Outcome o = Read(gzipped, {}, false, small);
  EXPECT_EQ(o.state, State::Failed);
  EXPECT_EQ(o.error, NetReadError);
  EXPECT_LE(o.body.size(), 1000u);
  EXPECT_EQ(Read(gzipped, {}, false).body, std::string(100000, 'b'));
}

TEST(TransferCodings, ChunkedLastIsDecodedOthersAreUndoneOrNamed) {
  const std::string text = "coded twice " + std::string(500, 't');
  const std::string packed = MakeGzip(text);
  const std::string gzipChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n" +
                                  MakeChunked({packed.substr(0, 10), packed.substr(10)});
  ExpectEverySplit(gzipChunked, false, Done(text, gzipChunked.size(), 200, Framing::Chunked));
  const std::string twoLines = "HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\ntransfer-encoding: CHUNKED\r\n\r\n" +
                               MakeChunked({"ab"});
  ExpectEverySplit(twoLines, false, Done("ab", twoLines.size(), 200, Framing::Chunked));
  // Without chunked last the body runs to the close, and is still undone.
  const std::string toClose = "HTTP/1.1 200 OK\r\nTransfer-Encoding: deflate\r\n\r\n" + MakeDeflate(text, true);
  ExpectEverySplit(toClose, true, Done(text, toClose.size(), 200, Framing::ToClose));

  // "chunked" said twice, in one list or on two lines, frames the body once.
  for (const char* twice : {"Transfer-Encoding: chunked, chunked\r\n", "Transfer-Encoding: chunked\r\nTransfer-Encoding: Chunked\r\n"}) {
    const std::string wire = std::string("HTTP/1.1 200 OK\r\n") + twice + "\r\n" + MakeChunked({"ab", "c"});
    ExpectEverySplit(wire, false, Done("abc", wire.size(), 200, Framing::Chunked));
  }
  for (const char* coding : {"br, chunked", "compress", "chunked, gzip", "chunked, gzip, chunked", "gzip, zstd, chunked"}) {
    Outcome o = Read(std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: ") + coding + "\r\n\r\n" +
                         MakeChunked({"raw bytes"}),
                     {}, true);
    EXPECT_EQ(o.state, State::Failed) << coding;
    EXPECT_EQ(o.body, "") << coding;
  }
  Outcome br = Read("HTTP/1.1 200 OK\r\nTransfer-Encoding: br, chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n", {}, true);
  EXPECT_EQ(br.error, HttpTypeError);
  EXPECT_NE(br.errorText.find("br"), std::string::npos);
  // Transfer-coded bytes that do not decode fail the body.
  ExpectFails("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n" + MakeChunked({"not gzip"}), NetReadError);
}

TEST(NoBodyAnswers, CompleteAfterTheirHead) {
  const std::string interim = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\nLink: </a>\n\n";
  const std::string final = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  ExpectEverySplit(interim + final, false, Done("ok", interim.size() + final.size()));
  for (const char* head : {"HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n",
                           "HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\nContent-Length: 7\r\n\r\n",
                           "HTTP/1.1 204 No Content\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
                           "HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: br\r\n\r\n"}) {
    const std::string wire = std::string(head) + "trailing bytes are not a body";
    ExpectEverySplit(wire, false, Done("", std::string(head).size(), std::atoi(head + 9), Framing::None));
  }
  HttpResponseReader::Options headRequest;
  headRequest.headRequest = true;
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
  ExpectEverySplit(answer, false, Done("", answer.size(), 200, Framing::None), headRequest);
  HttpResponseReader reader(headRequest);
  reader.Feed(answer.data(), answer.size(), {});
  EXPECT_EQ(reader.declaredLength(), 1000);
  ExpectFails("HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n", NetReadError, false);
}

TEST(ContentLengths, RepeatsMustAgree) {
  for (const char* lengths : {"Content-Length: 3\r\nContent-Length: 3\r\n", "Content-Length: 3, 3\r\n",
                              "content-length: 003\r\n"}) {
    const std::string wire = std::string("HTTP/1.1 200 OK\r\n") + lengths + "\r\nabc";
    ExpectEverySplit(wire, false, Done("abc", wire.size()));
  }
  for (const char* lengths : {"Content-Length: 3\r\nContent-Length: 4\r\n", "Content-Length: 3, 4\r\n",
                              "Content-Length: -1\r\n", "Content-Length: 1 2\r\n", "Content-Length: +3\r\n",
                              "Content-Length: 0x3\r\n", "Content-Length: 99999999999999999999\r\n",
                              "Content-Length: \r\n"}) {
    Outcome o = Read(std::string("HTTP/1.1 200 OK\r\n") + lengths + "\r\nabc", {}, false);
    EXPECT_EQ(o.state, State::Failed) << lengths;
    EXPECT_EQ(o.error, NetReadError) << lengths;
    EXPECT_EQ(o.body, "") << lengths;
  }
  // A transfer coding overrides any length.
  const std::string chunked = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 9\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n" + MakeChunked({"ok"});
  ExpectEverySplit(chunked, false, Done("ok", chunked.size(), 200, Framing::Chunked));
}

TEST(LengthBodies, BytesAfterTheLengthAreNeverUsed) {
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
  ExpectEverySplit(answer + "EXTRA BYTES\r\n", false, Done("hello", answer.size()));
  const std::string zero = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
  ExpectEverySplit(zero + "more", false, Done("", zero.size()));
  Outcome cut = Read(answer.substr(0, answer.size() - 2), {}, true);
  EXPECT_EQ(cut.state, State::Failed);
  EXPECT_EQ(cut.error, NetReadNotEnd);
  EXPECT_EQ(cut.body, "hel");
}

TEST(ToCloseBodies, ArriveWholeAtTheClose) {
  const std::string body = PatternBytes(3000);
  const std::string wire = "HTTP/1.1 200 OK\r\nContent-Type: x\r\n\r\n" + body;
  Outcome open = Read(wire, {}, false);
  EXPECT_EQ(open.state, State::Body);
  EXPECT_EQ(open.framing, Framing::ToClose);
  EXPECT_EQ(Read(wire, {}, true), Done(body, wire.size(), 200, Framing::ToClose));
  for (size_t i = 0; i <= wire.size(); i += 7)
    ASSERT_EQ(Read(wire, {i}, true), Done(body, wire.size(), 200, Framing::ToClose)) << i;
  const std::string empty = "HTTP/1.1 200 OK\r\n\r\n";
  ExpectEverySplit(empty, true, Done("", empty.size(), 200, Framing::ToClose));
}

TEST(Receivers, RefusalAndPausingAfterTheHead) {
  HttpResponseReader reader;
  const std::string wire = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
  reader.Feed(wire.data(), wire.size(), [](const char*, size_t) { return false; });
  EXPECT_EQ(reader.state(), State::Failed);
  EXPECT_EQ(reader.error(), OpenFileError);
  EXPECT_EQ(reader.errorText(), "stopped by the receiver");
  EXPECT_EQ(reader.Feed(wire.data(), wire.size(), {}), 0u);

  HttpResponseReader::Options pause;
  pause.pauseAfterHead = true;
  HttpResponseReader paused(pause);
  std::string body;
  auto sink = [&](const char* d, size_t n) {
    body.append(d, n);
    return true;
  };
  const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
  EXPECT_EQ(paused.Feed((interim + wire).data(), interim.size() + wire.size(), sink), interim.size() + wire.size() - 5);
  EXPECT_TRUE(paused.headDone());
  EXPECT_EQ(paused.state(), State::Body);
  EXPECT_EQ(body, "");
  EXPECT_EQ(paused.rawHead(), wire.substr(0, wire.size() - 5));
  EXPECT_EQ(paused.Feed("hello", 5, sink), 5u);
  EXPECT_EQ(body, "hello");
  EXPECT_EQ(paused.bodyBytes(), 5);
  EXPECT_EQ(paused.state(), State::Done);
}

}  // namespace
