// velmora-fetch, run as a process against the loopback server.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

struct ToolRun {
  int exitCode;
  std::string output;
};

ToolRun RunFetch(const std::string& arguments) {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  std::string command = std::string(bin ? bin : ".") + "/velmora-fetch " + arguments + " 2>&1";
  ToolRun run{-1, {}};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(FetchTool, GetsToStandardOutputAndDownloadsToAFile) {
  LoopbackServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nhello\n"));
  ToolRun get = RunFetch(server.Url("/x"));
  EXPECT_EQ(get.exitCode, 0);
  EXPECT_EQ(get.output, "hello\n");
  TempDir dir;
  ToolRun download = RunFetch(server.Url("/x") + " " + (dir / "out") + " --pause 0");
  EXPECT_EQ(download.exitCode, 0);
  EXPECT_EQ(ReadFileBytes(dir / "out"), "hello\n");
}

TEST(FetchTool, FailuresPrintTheCodeAndExitWithIt) {
  LoopbackServer server(Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
  ToolRun run = RunFetch(server.Url("/missing"));
  EXPECT_EQ(run.exitCode, 22);
  EXPECT_EQ(run.output, "velmora-fetch: 22 http type is error...\n");
  EXPECT_EQ(RunFetch("ftp://127.0.0.1/").exitCode, 20);
  EXPECT_EQ(RunFetch("").exitCode, 2);
  EXPECT_EQ(RunFetch("http://127.0.0.1/ --pause x").exitCode, 2);
  EXPECT_EQ(RunFetch("http://127.0.0.1/ --resume").exitCode, 2);
}

TEST(FetchTool, AnswersAsRealServersSendThem) {
  const std::string packed = MakeGzip("part one, ") + MakeGzipMember("part two\n", {"", "body.txt", "", true});
  LoopbackServer server(std::vector<ScriptedReply>{
      Reply("HTTP/1.1 200 OK\nContent-Length: 6\n\nbare!\n"),
      ScriptedReply{{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n"
                     "Transfer-Encoding: chunked\r\n\r\n",
                     MakeChunked({packed.substr(0, 5), packed.substr(5)}).insert(1, ";x=1")},
                    20, false},
      Reply("HTTP/1.1 302 Found\r\nLocation: ../moved\r\nContent-Length: 0\r\n\r\n"),
      Reply("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the close\n"),
      Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel"),
  });
  EXPECT_EQ(RunFetch(server.Url("/lf")).output, "bare!\n");
  EXPECT_EQ(RunFetch(server.Url("/gzip")).output, "part one, part two\n");
  ToolRun redirected = RunFetch(server.Url("/a/b"));
  EXPECT_EQ(redirected.exitCode, 0);
  EXPECT_EQ(redirected.output, "until the close\n");
  EXPECT_EQ(server.request(3).substr(0, 16), "GET /moved HTTP/");
  ToolRun cut = RunFetch(server.Url("/cut"));
  EXPECT_EQ(cut.exitCode, 15);
  EXPECT_EQ(cut.output, "velmora-fetch: 15 net read data is error...\n");
}

}  // namespace
