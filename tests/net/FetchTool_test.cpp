// velmora-fetch, run as a process against the loopback server.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/net/support/LoopbackServer.h"
#include "tests/net/support/NetTestSupport.h"
#include "tests/net/support/TestCertificates.h"
#include "tests/net/support/TestProxy.h"
#include "tests/net/support/TlsTestServer.h"
#include "tests/support/TempDir.h"

namespace {

struct ToolRun {
  int exitCode;
  std::string output;
};

// `environment`: "NAME=value ..." for the tool alone.
ToolRun RunFetch(const std::string& arguments, const std::string& environment = "") {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  std::string command =
      (environment.empty() ? "" : "env " + environment + " ") + std::string(bin ? bin : ".") + "/velmora-fetch " +
      arguments + " 2>&1";
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

// The text path and the engine alike reach a host on ::1, plain and over
// TLS, straight and through a proxy (which forwards plain requests and
// tunnels TLS).
TEST(FetchTool, ReachesIpv6HostsPlainAndSecureStraightAndThroughAProxy) {
  if (!TestCertificates::ToolAvailable()) GTEST_SKIP() << "the openssl command is not installed";
  TempDir dir;
  TestCertificates certificates(dir.path());
  ASSERT_TRUE(certificates.ok()) << certificates.Log();
  const std::string body = "over six\n";
  const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\n" + body;
  LoopbackServer plain(Reply(reply), true);
  TlsServerOptions options(certificates.good(), reply);
  options.ipv6 = true;
  TlsTestServer secure(options);
  ASSERT_TRUE(secure.ok());
  TestProxy proxy;
  const std::string trust = "VELMORA_CA_FILE=" + certificates.caFile() + " no_proxy= NO_PROXY=";
  const std::string urls[] = {plain.Url("/six"), "https://[::1]:" + std::to_string(secure.port()) + "/six"};
  const std::string routes[] = {"http_proxy= https_proxy= HTTPS_PROXY= all_proxy= ALL_PROXY=",
                                "http_proxy=" + proxy.Url() + " https_proxy=" + proxy.Url()};
  int file = 0;
  for (const std::string& url : urls) {
    for (const std::string& route : routes) {
      ToolRun printed = RunFetch(url, trust + " " + route);
      EXPECT_EQ(printed.exitCode, 0) << url << " " << route << ": " << printed.output;
      EXPECT_EQ(printed.output, body) << url << " " << route;
      std::string out = dir / ("out" + std::to_string(++file));
      ToolRun saved = RunFetch(url + " " + out, trust + " " + route);
      EXPECT_EQ(saved.exitCode, 0) << url << " " << route << ": " << saved.output;
      EXPECT_EQ(ReadFileBytes(out), body) << url << " " << route;
    }
  }
  // Each proxied request went through the proxy: two forwarded, two tunnelled.
  EXPECT_EQ(proxy.forwards(), 2u);
  EXPECT_EQ(proxy.tunnels(), 2u);
  EXPECT_NE(plain.request(0).find("Host: [::1]:" + std::to_string(plain.port())), std::string::npos)
      << plain.request(0);
}

TEST(FetchTool, ARefusedHostSaysWhy) {
  ToolRun run = RunFetch("http://[::1]:" + std::to_string(UnusedLoopbackPort(true)) + "/", "http_proxy=");
  EXPECT_EQ(run.exitCode, 13);
  EXPECT_NE(run.output.find("connection refused"), std::string::npos) << run.output;
}

}  // namespace
