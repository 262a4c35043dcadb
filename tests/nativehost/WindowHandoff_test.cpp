// The host against real windows of other processes: a running window takes
// the link; with none running, `velmora` from the host's folder is started
// (here a stand-in script that opens a test window) and takes it.
#include "nativehost/WindowHandoff.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "nativehost/NativeMessageFrame.h"
#include "tests/support/TempDir.h"
#include "platform/WindowLink.h"

extern char** environ;

namespace nativehost {
namespace {

std::string BinDir() {
  const char* dir = std::getenv("VELMORA_BIN_DIR");
  return dir ? dir : ".";
}

// A child with its standard input and output on pipes.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~Child() {
    CloseInput();
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_ >= 0) close(out_);
  }
  void Write(const std::string& bytes) { ASSERT_EQ(write(in_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  void CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
  }
  // Exactly `n` bytes of output, or fewer when it ends or stalls.
  std::string Read(std::size_t n, int timeoutMs = 20000) {
    std::string bytes;
    while (bytes.size() < n) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) break;
      char chunk[4096];
      const ssize_t got = read(out_, chunk, std::min(sizeof(chunk), n - bytes.size()));
      if (got <= 0) break;
      bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
  }
  std::string ReadLine() {
    std::string line;
    for (std::string c; (c = Read(1)).size() == 1 && c != "\n";) line += c;
    return line;
  }
  nlohmann::json ReadAnswer() {
    const std::string header = Read(4);
    if (header.size() != 4) return nullptr;
    std::uint32_t length = 0;
    std::memcpy(&length, header.data(), 4);
    return nlohmann::json::parse(Read(length), nullptr, false);
  }
  int Wait() {
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
};

// "copydata SIZE HEX" from a test window, decoded.
std::string CopyDataOf(const std::string& line) {
  const std::size_t hex = line.rfind(' ');
  if (line.rfind("copydata ", 0) != 0 || hex == std::string::npos) return "<" + line + ">";
  std::string bytes;
  for (std::size_t i = hex + 1; i + 1 < line.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)));
  return bytes;
}

void WriteScript(const std::string& path, const std::string& body) {
  WriteFileBytes(path, "#!/bin/sh\n" + body + "\n");
  chmod(path.c_str(), 0755);
}

std::vector<std::string> LinesOf(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Waits until the file has `count` lines.
std::vector<std::string> AwaitLines(const std::string& path, std::size_t count) {
  for (int i = 0; i < 200 && LinesOf(path).size() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return LinesOf(path);
}

const std::string kAdd =
    R"({"type":"add","url":"https://dl.test/big.iso","filename":"big.iso","referrer":"https://dl.test/",)"
    R"("cookies":"session=secret","userAgent":"Browser/1","fileSize":4096})";

class WindowHandoffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Windows of this test only: other tests may run windows of their own.
    linkDir = dir / "links";
    setenv("VELMORA_WINDOW_DIR", linkDir.c_str(), 1);
  }
  void TearDown() override {
    // Ends stand-in windows the host started.
    for (int i = 0; i < 20; ++i) {
      HWND window = ui::link::FindRemoteWindow(nullptr, u"Velmora");
      if (!window) break;
      ui::link::PostRemote(window, 0x8001, 0, 0);  // WM_APP + 1 ends a test window
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    unsetenv("VELMORA_WINDOW_DIR");
  }
  // A copy of the host with a stand-in `velmora` beside it.
  std::string HostWithStandIn(const std::string& standIn) {
    const std::string host = dir / "velmora-native-host";
    std::filesystem::copy_file(BinDir() + "/velmora-native-host", host);
    WriteScript(dir / "velmora", standIn);
    return host;
  }
  std::string StandInWindow() const {
    return "echo started >> '" + (dir / "starts.log") + "'\nexec '" + BinDir() + "/ui-test-window' Velmora >> '" +
           (dir / "window.log") + "'";
  }

  TempDir dir;
  std::string linkDir;
};

TEST_F(WindowHandoffTest, HandsTheLinkToTheRunningWindow) {
  Child window({BinDir() + "/ui-test-window", "Velmora"});
  ASSERT_EQ(window.ReadLine(), "ready");
  WindowHandoff handoff({dir.path()});  // no velmora there: it must not be needed
  std::string error;
  ASSERT_TRUE(handoff.Deliver("#clicent#{\"url\":\"http://a.test/\"}", error)) << error;
  EXPECT_EQ(CopyDataOf(window.ReadLine()), std::string("#clicent#{\"url\":\"http://a.test/\"}\0", 34));
}

TEST_F(WindowHandoffTest, TheHostProgramAnswersAndHandsOverUntilItsInputEnds) {
  Child window({BinDir() + "/ui-test-window", "Velmora"});
  ASSERT_EQ(window.ReadLine(), "ready");
  Child host({BinDir() + "/velmora-native-host", "chrome-extension://x/"});
  host.Write(EncodeFrame(R"({"type":"ping"})"));
  EXPECT_EQ(host.ReadAnswer()["status"], "ok");
  // The next frame arrives in two writes.
  const std::string frame = EncodeFrame(kAdd);
  host.Write(frame.substr(0, 3));
  host.Write(frame.substr(3));
  const nlohmann::json answer = host.ReadAnswer();
  ASSERT_EQ(answer["status"], "ok") << answer.dump();
  const std::string id = answer["id"];
  EXPECT_EQ(id.size(), 16u);
  const std::string received = CopyDataOf(window.ReadLine());
  ASSERT_EQ(received.rfind("#clicent#", 0), 0u) << received;
  ASSERT_EQ(received.back(), '\0');
  const auto link = nlohmann::json::parse(received.substr(9, received.size() - 10));
  EXPECT_EQ(link, nlohmann::json({{"url", "https://dl.test/big.iso"},
                                  {"name", "big.iso"},
                                  {"referrer", "https://dl.test/"},
                                  {"cookies", "session=secret"},
                                  {"userAgent", "Browser/1"},
                                  {"fileSize", 4096},
                                  {"id", id}}));
  host.Write(EncodeFrame("{"));
  EXPECT_EQ(host.ReadAnswer()["status"], "error");
  host.CloseInput();
  EXPECT_EQ(host.Read(1, 5000), "");  // nothing but frames, ever
  EXPECT_EQ(host.Wait(), 0);
}

TEST_F(WindowHandoffTest, AnInputCutInsideAFrameEndsTheHostWithoutAnAnswer) {
  Child host({BinDir() + "/velmora-native-host"});
  host.Write(EncodeFrame(R"({"type":"ping"})").substr(0, 10));
  host.CloseInput();
  EXPECT_EQ(host.Read(1, 5000), "");
  EXPECT_EQ(host.Wait(), 1);
}

TEST_F(WindowHandoffTest, StartsTheDownloadCenterBesideItselfWhenNoWindowRuns) {
  const std::string host = HostWithStandIn(StandInWindow());
  Child browser({host});
  browser.Write(EncodeFrame(kAdd));
  const nlohmann::json answer = browser.ReadAnswer();
  ASSERT_EQ(answer["status"], "ok") << answer.dump();
  // A second link finds the window now running.
  browser.Write(EncodeFrame(R"({"type":"add","url":"http://dl.test/2"})"));
  EXPECT_EQ(browser.ReadAnswer()["status"], "ok");
  const std::vector<std::string> lines = AwaitLines(dir / "window.log", 3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "ready");
  EXPECT_NE(CopyDataOf(lines[1]).find("\"cookies\":\"session=secret\""), std::string::npos) << lines[1];
  EXPECT_NE(CopyDataOf(lines[2]).find("http://dl.test/2"), std::string::npos);
  EXPECT_EQ(LinesOf(dir / "starts.log").size(), 1u);
  browser.CloseInput();
  EXPECT_EQ(browser.Wait(), 0);
  // The download center outlives the host the browser closed.
  EXPECT_TRUE(ui::link::FindRemoteWindow(nullptr, u"Velmora"));
}

TEST_F(WindowHandoffTest, HostsStartedTogetherStartOneDownloadCenter) {
  const std::string host = HostWithStandIn(StandInWindow());
  Child first({host});
  Child second({host});
  first.Write(EncodeFrame(R"({"type":"add","url":"http://dl.test/1"})"));
  second.Write(EncodeFrame(R"({"type":"add","url":"http://dl.test/2"})"));
  EXPECT_EQ(first.ReadAnswer()["status"], "ok");
  EXPECT_EQ(second.ReadAnswer()["status"], "ok");
  EXPECT_EQ(AwaitLines(dir / "window.log", 3).size(), 3u);
  EXPECT_EQ(LinesOf(dir / "starts.log").size(), 1u);
}

TEST_F(WindowHandoffTest, SaysWhyWhenTheDownloadCenterCannotBeReached) {
  std::string error;
  WindowHandoff missing({dir.path()});
  EXPECT_FALSE(missing.Deliver("#clicent#x", error));
  EXPECT_NE(error.find("cannot start"), std::string::npos) << error;

  WriteScript(dir / "velmora", "exit 3");
  WindowHandoff failing({dir.path()});
  EXPECT_FALSE(failing.Deliver("#clicent#x", error));
  EXPECT_EQ(error, "velmora ended before its window opened (exit status 3)");

  // A window folder anyone may write to is refused before anything starts.
  const std::string open = dir / "open";
  std::filesystem::create_directory(open);
  chmod(open.c_str(), 0777);
  setenv("VELMORA_WINDOW_DIR", open.c_str(), 1);
  EXPECT_FALSE(failing.Deliver("#clicent#x", error));
  EXPECT_EQ(error, "the per-user window folder cannot be used (not ours, or not private)");
  setenv("VELMORA_WINDOW_DIR", linkDir.c_str(), 1);

  WriteScript(dir / "velmora", "exec sleep 2");
  WindowHandoffOptions slow{dir.path()};
  slow.startTimeoutMs = 400;
  WindowHandoff waiting(slow);
  EXPECT_FALSE(waiting.Deliver("#clicent#x", error));
  EXPECT_EQ(error, "no Velmora window appeared within 0 s");
}

}  // namespace
}  // namespace nativehost
