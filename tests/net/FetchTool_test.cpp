// velmora-fetch, run as a process against the loopback server.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/net/support/LoopbackServer.h"
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

}  // namespace
