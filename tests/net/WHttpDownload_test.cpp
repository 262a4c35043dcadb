#include <gtest/gtest.h>

#include <sys/stat.h>

#include "net/WHttp.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string Ok(const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

std::string Partial(const std::string& whole, size_t from, const std::string& extra = "") {
  std::string part = whole.substr(from);
  return "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(part.size()) +
         "\r\nContent-Range: bytes " + std::to_string(from) + "-" + std::to_string(whole.size() - 1) + "/" +
         std::to_string(whole.size()) + "\r\n" + extra + "\r\n" + part;
}

struct Download {
  ResultCode result;
  std::string request;
  std::string file;
  uint16_t port;
};

Download Fetch(ScriptedReply reply, const std::string& path, bool resume, int64_t* resumeOffset = nullptr) {
  LoopbackServer server(std::move(reply));
  WHttp http;
  http.recvFn = &ShortWaitRecv;
  http.SetReadPause(0);
  ResultCode result = http.DownloadFile(server.Url("/file.bin").c_str(), path.c_str(), resume, true);
  if (resumeOffset) *resumeOffset = http.resumeOffset;
  return {result, server.request(), ReadFileBytes(path), server.port()};
}

TEST(DownloadFile, IdentityBodyIsStoredByteForByte) {
  TempDir dir;
  const std::string data = PatternBytes(250000);
  WriteFileBytes(dir / "f", "old contents that must go");
  Download d = Fetch(ScriptedReply{{Ok("").substr(0, 17) + "Content-Length: 250000\r\n\r\n" + data.substr(0, 999),
                                    data.substr(999)},
                                   5,
                                   false},
                     dir / "f", false);
  EXPECT_EQ(d.result, Success);
  EXPECT_EQ(d.file, data);
  EXPECT_EQ(d.request.find("Range:"), std::string::npos);
  EXPECT_EQ(d.request.substr(0, 23), "GET /file.bin HTTP/1.1\r");
}

TEST(DownloadFile, ResumeAppendsAfterTheExistingBytes) {
  TempDir dir;
  const std::string whole = PatternBytes(3000);
  WriteFileBytes(dir / "f", whole.substr(0, 1000));
  int64_t offset = -1;
  Download d = Fetch(Reply(Partial(whole, 1000)), dir / "f", true, &offset);
  EXPECT_EQ(d.result, Success);
  EXPECT_EQ(d.file, whole);
  EXPECT_EQ(offset, 1000);
  EXPECT_NE(d.request.find(":" + std::to_string(d.port) + "\r\nRange: bytes=1000-\r\nCache-Control: no-cache\r\n"),
            std::string::npos);
}

TEST(DownloadFile, ResumeWithoutAFileAsksFromZero) {
  TempDir dir;
  Download d = Fetch(Reply(Partial("abcdef", 0)), dir / "new", true);
  EXPECT_EQ(d.result, Success);
  EXPECT_EQ(d.file, "abcdef");
  EXPECT_NE(d.request.find("Range: bytes=0-\r\n"), std::string::npos);
}

TEST(DownloadFile, ResumeAnsweredWithTheWholeFileRewritesIt) {
  TempDir dir;
  const std::string whole = PatternBytes(5000);
  WriteFileBytes(dir / "f", whole.substr(0, 1200));
  int64_t offset = -1;
  Download d = Fetch(Reply(Ok(whole)), dir / "f", true, &offset);
  EXPECT_EQ(d.result, Success);
  EXPECT_EQ(d.file, whole);
  EXPECT_EQ(offset, 0);
}

TEST(DownloadFile, ResumeAnswersThatWouldCorruptTheFileLeaveItAlone) {
  TempDir dir;
  const std::string whole = PatternBytes(4000);
  const std::string partial = whole.substr(0, 1500);
  const std::vector<std::string> answers = {
      Partial(whole, 1000),                                                     // wrong start
      "HTTP/1.1 206 Partial Content\r\nContent-Length: 2500\r\n\r\n" + whole.substr(1500),  // no range
      "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n",
      Partial(whole, 1500, "Content-Encoding: gzip\r\n"),
  };
  for (const std::string& answer : answers) {
    WriteFileBytes(dir / "f", partial);
    Download d = Fetch(Reply(answer), dir / "f", true);
    EXPECT_EQ(d.result, HttpTypeError) << answer.substr(0, 40);
    EXPECT_EQ(d.file, partial) << answer.substr(0, 40);
  }
}

TEST(DownloadFile, CutTransferLeavesAPrefixThatResumeCompletes) {
  TempDir dir;
  const std::string whole = PatternBytes(100000);
  ScriptedReply cut{{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + whole.substr(0, 30000)}, 0, true};
  EXPECT_EQ(Fetch(cut, dir / "f", false).result, NetReadError);
  EXPECT_EQ(ReadFileBytes(dir / "f"), whole.substr(0, 30000));
  Download d = Fetch(Reply(Partial(whole, 30000)), dir / "f", true);
  EXPECT_EQ(d.result, Success);
  EXPECT_EQ(d.file, whole);
}

TEST(DownloadFile, DecodedBodiesAreWrittenWithAByteOrderMark) {
  TempDir dir;
  const std::string text = "decoded text " + std::string(3000, 'd');
  EXPECT_EQ(Fetch(Reply(Ok(MakeGzip(text), "Content-Encoding: gzip\r\n")), dir / "g", false).file, kBom + text);
  EXPECT_EQ(Fetch(Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + MakeChunked({"ab", "cd"})),
                  dir / "c", false).file,
            kBom + "abcd");
  EXPECT_EQ(Fetch(Reply(Ok(MakeGzip(text, "named"), "Content-Encoding: gzip\r\n")), dir / "n", false).file,
            kBom + text);
  // A failed decode leaves no file behind.
  WriteFileBytes(dir / "x", "old");
  Download bad = Fetch(Reply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\nnot gzip at all"), dir / "x", false);
  EXPECT_LT(bad.result, 0);
  struct stat st;
  EXPECT_NE(stat((dir / "x").c_str(), &st), 0);
}

TEST(DownloadFile, ChunkedPartOfAResumedFileIsAppendedAsIs) {
  TempDir dir;
  WriteFileBytes(dir / "f", "0123");
  Download d = Fetch(Reply("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 4-9/10\r\n"
                           "Transfer-Encoding: chunked\r\n\r\n" + MakeChunked({"45", "6789"})),
                     dir / "f", true);
  EXPECT_EQ(d.result, Success);
  EXPECT_EQ(d.file, "0123456789");
}

TEST(DownloadFile, UnwritableTargetsFailWithTwo) {
  TempDir dir;
  EXPECT_EQ(Fetch(Reply(Ok("data")), dir.path(), false).result, OpenFileError);
  EXPECT_EQ(Fetch(Reply(Ok(MakeGzip("data"), "Content-Encoding: gzip\r\n")), dir.path(), false).result,
            OpenFileError);
  EXPECT_EQ(Fetch(Reply(Ok("data")), dir / "missing/dir/f", false).result, OpenFileError);
}

TEST(DownloadFile, FollowsRedirectsAndRecordsTimes) {
  TempDir dir;
  LoopbackServer target(Reply(Ok("moved here")));
  LoopbackServer server(Reply("HTTP/1.1 302 Found\r\nLocation: " + target.Url("/t") + "\r\n\r\n"));
  WHttp http;
  EXPECT_EQ(http.DownloadFile(server.Url("/").c_str(), (dir / "f").c_str(), false, false), HttpJump);
  EXPECT_EQ(http.DownloadFile(server.Url("/").c_str(), (dir / "f").c_str(), false, true), Success);
  EXPECT_EQ(ReadFileBytes(dir / "f"), "moved here");
  EXPECT_GE(http.endTick, http.startTick);
  EXPECT_NE(http.startTick, 0u) << "the start was recorded";
  EXPECT_EQ(http.received, 10);
  EXPECT_EQ(http.DownloadFile("http://host/x", nullptr, false, false), InitParamsError);
}

}  // namespace
