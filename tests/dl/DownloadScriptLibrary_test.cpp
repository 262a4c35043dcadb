// The script library through the real host: in-process with the test
// harness (reports visible), and as velmora-lua runs it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "dl/Digest.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/LuaTestHarness.h"
#include "tests/support/TempDir.h"

namespace {

const std::string& FileBody() {
  static const std::string body = PatternBytes(100000, 3);
  return body;
}

void Serve(const HttpRequest& request, ServerPeer& peer, size_t) {
  if (request.target == "/file.bin") return ServeResource(request, peer, Resource{FileBody()});
  if (request.target == "/echo") {
    std::string line = "X-Test: " + request.Header("X-Test");
    return void(peer.Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                          std::to_string(line.size()) + "\r\n\r\n" + line));
  }
  if (request.target == "/page.zip")
    return void(peer.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 6\r\n\r\n<html>"));
  peer.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!");
}

uint16_t RefusedPort() {
  HttpTestServer probe([](const HttpRequest&, ServerPeer&, size_t) {});
  return probe.port();
}

std::string ReadAll(const std::string& path) { return ReadFileBytes(path); }

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
  return text;
}

}  // namespace

TEST(DownloadScriptLibrary, EveryFunctionAsScriptsSeeIt) {
  HttpTestServer server(Serve);
  TempDir dir;
  auto digest = Digest::For("sha256");
  digest->Update(FileBody().data(), FileBody().size());
  std::string script = ReadAll(SourceDir() + "/tests/dl/lua/dl_library.lua");
  script = Replace(script, "SHA_OF_FILE", digest->FinishHex());
  script = Replace(script, "REFUSED", std::to_string(RefusedPort()));
  WriteFileBytes(dir / "dl_library.lua", script);
  LuaRunResult result = RunLuaTestFile(dir / "dl_library.lua", {server.Url(""), dir.path()});
  EXPECT_TRUE(result.ok) << result.error;
  // The GBK name reached the disk as UTF-8.
  EXPECT_TRUE(ReadFileBytes(dir / "\xE4\xB8\xAD\xE6\x96\x87.bin") == FileBody());
}

TEST(DownloadScriptLibrary, VelmoraLuaWaitsForADownloadWithoutAWindow) {
  HttpTestServer server(Serve);
  TempDir dir;
  WriteFileBytes(dir / "get.lua",
                 "local id = assert(dl_add(startparam[3], startparam[4]))\n"
                 "local state = dl_wait(id, 10000)\n"
                 "io.write(state, ' ', dl_info(id).done)\n");
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  std::string command = std::string(bin ? bin : ".") + "/velmora-lua " + dir / "get.lua" + " " +
                        server.Url("/file.bin") + " " + dir.path() + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string output;
  char buffer[256];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  int status = pclose(pipe);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << output;
  EXPECT_EQ(output, "done 100000");
  EXPECT_TRUE(ReadFileBytes(dir / "file.bin") == FileBody());
}
