// Windows of other processes: lookup by title, posts, copy-data and the
// command-line client, against a window running in a child process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/WindowLink.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

extern char** environ;

namespace {

// A child process with its standard output on a pipe.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_ >= 0) close(out_);
  }
  // Next line of output, or "" after the timeout.
  std::string ReadLine(int timeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      if (auto nl = buffer_.find('\n'); nl != std::string::npos) {
        std::string line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return "";
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
      char chunk[256];
      const ssize_t n = read(out_, chunk, sizeof(chunk));
      if (n <= 0) return "";
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }
  int Wait() {
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Kill() {
    kill(pid_, SIGKILL);
    Wait();
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

class WindowLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Our own end listens too, as every windowed process does.
    ASSERT_TRUE(CreateTestWindow(local, u"local window"));
    peer = std::make_unique<Child>(std::vector<std::string>{BinDir() + "/ui-test-window", "Velmora peer"});
    ASSERT_EQ(peer->ReadLine(), "ready");
  }
  void TearDown() override {
    if (IsWindow(local.GetHWND())) DestroyWindow(local.GetHWND());
    ui::automation::Reset();
  }
  static std::pair<int, std::string> RunSend(const std::vector<std::string>& args) {
    std::vector<std::string> all{BinDir() + "/velmora-send"};
    all.insert(all.end(), args.begin(), args.end());
    Child send(all);
    std::string out = send.ReadLine(10000);
    return {send.Wait(), out};
  }
  TestWindow local;
  std::unique_ptr<Child> peer;
};

TEST_F(WindowLinkTest, FindsWindowsOfThisAndOtherProcessesByExactTitle) {
  HWND remote = FindWindowW(nullptr, u"Velmora peer");
  ASSERT_TRUE(remote);
  EXPECT_NE(remote, local.GetHWND());
  EXPECT_FALSE(IsWindow(remote));  // not one of ours
  EXPECT_EQ(FindWindowW(nullptr, u"local window"), local.GetHWND());
  EXPECT_EQ(FindWindowW(nullptr, u"Velmora"), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"velmora peer"), nullptr);
  EXPECT_EQ(FindWindowW(u"ReportingWindow", u"Velmora peer"), remote);
  EXPECT_EQ(FindWindowW(u"OtherClass", u"Velmora peer"), nullptr);
  EXPECT_EQ(FindWindowInProcess(nullptr, u"Velmora peer"), nullptr);
  EXPECT_EQ(FindWindowInProcess(nullptr, u"local window"), local.GetHWND());
}

TEST_F(WindowLinkTest, PostAndCopyDataReachTheOtherWindow) {
  HWND remote = FindWindowW(nullptr, u"Velmora peer");
  ASSERT_TRUE(remote);
  EXPECT_TRUE(PostMessage(remote, 2964, 5, -6));
  EXPECT_TRUE(PostMessage(remote, 2862, 7, 8));
  EXPECT_EQ(peer->ReadLine(), "post 2964 5 -6");
  EXPECT_EQ(peer->ReadLine(), "post 2862 7 8");
  // Exactly cbData bytes cross, with no terminator added or read.
  const char text[] = "#clicent#xyz";
  COPYDATASTRUCT data;
  data.cbData = 9;
  data.lpData = text;
  EXPECT_EQ(SendMessage(remote, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1009);
  EXPECT_EQ(peer->ReadLine(), "copydata 9 23636c6963656e7423");
  COPYDATASTRUCT empty;
  EXPECT_EQ(SendMessage(remote, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty)), 1000);
  EXPECT_EQ(peer->ReadLine(), "copydata 0 ");
  EXPECT_FALSE(PostMessage(remote, WM_COPYDATA, 0, 0));
}

TEST_F(WindowLinkTest, PostsFromAWorkerThreadKeepTheirOrder) {
  HWND remote = FindWindowW(nullptr, u"Velmora peer");
  std::thread worker([remote] {
    for (int i = 0; i < 50; ++i) PostMessage(remote, WM_USER + 9, static_cast<WPARAM>(i), 0);
  });
  worker.join();
  for (int i = 0; i < 50; ++i) ASSERT_EQ(peer->ReadLine(), "post 1033 " + std::to_string(i) + " 0");
}

TEST_F(WindowLinkTest, CommandLineClient) {
  auto [code, out] = RunSend({"--title", "Velmora peer", "--copydata", "#clicent#x"});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out, "1011");  // 10 bytes and the terminating zero
  EXPECT_EQ(peer->ReadLine(), "copydata 11 23636c6963656e74237800");
  std::tie(code, out) = RunSend({"--title", "Velmora peer", "--post", "0xB2A", "3", "-1"});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(peer->ReadLine(), "post 2858 3 -1");
  EXPECT_EQ(RunSend({"--title", "nobody", "--post", "2858", "0", "0"}).first, 1);
  EXPECT_EQ(RunSend({"--post", "2858", "0"}).first, 2);
  EXPECT_EQ(RunSend({"--title", "Velmora peer", "--post", "x", "0", "0"}).first, 2);
  EXPECT_EQ(RunSend({"--copydata", "a", "--post", "1", "2", "3"}).first, 2);
  EXPECT_EQ(RunSend({}).first, 2);
}

TEST_F(WindowLinkTest, GarbageOnTheSocketDoesNotHurtTheWindowProcess) {
  const std::string path = ui::link::SocketPath(static_cast<std::uint32_t>(peer->pid()));
  for (const std::string& junk : {std::string(64, '\xff'), std::string("VMW1\x02\0\0\0\xff\xff\xff\xff", 12),
                                  std::string("\x56\x4d\x57\x31\x01\0\0\0\x08\0\0\0\x05\0\0\0\xff\xff\xff\x7f", 20)}) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", path.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    (void)!write(fd, junk.data(), junk.size());
    close(fd);
  }
  HWND remote = FindWindowW(nullptr, u"Velmora peer");
  ASSERT_TRUE(remote);
  EXPECT_TRUE(PostMessage(remote, WM_USER, 1, 1));
  EXPECT_EQ(peer->ReadLine(), "post 1024 1 1");
}

TEST_F(WindowLinkTest, EntriesOfDeadProcessesAreCleanedUp) {
  const std::string path = ui::link::SocketPath(static_cast<std::uint32_t>(peer->pid()));
  ASSERT_TRUE(std::filesystem::exists(path));
  peer->Kill();
  // Left behind by the killed process, and one of a process long gone.
  const std::string stale = ui::link::SocketDirectory() + "/4194303.sock";
  WriteFileBytes(stale, "");
  EXPECT_EQ(FindWindowW(nullptr, u"Velmora peer"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(stale));
}

// utime + stime of a process, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) {
      stime = std::stol(field);
      break;
    }
  }
  return utime + stime;
}

// Times any thread of the process went to sleep and was woken again.
long WakeUps(pid_t pid) {
  long total = 0;
  std::error_code error;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream in(task.path() / "status");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(line.find(':') + 1));
  }
  return total;
}

// A polling loop shows as wake-ups (a timer) or as CPU time (a spin) in
// every window, however loaded the machine; start-up, which may take long
// under load or the sanitizers, shows in the first windows only. So the
// process passes once one whole second of it is quiet.
TEST_F(WindowLinkTest, AnIdleWindowProcessUsesNoCpu) {
  bool quiet = false;
  long ticks = 0, wakeUps = 0;
  for (int window = 0; window < 15 && !quiet; ++window) {
    const long ticksBefore = CpuTicks(peer->pid());
    const long wakeUpsBefore = WakeUps(peer->pid());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ticks = CpuTicks(peer->pid()) - ticksBefore;
    wakeUps = WakeUps(peer->pid()) - wakeUpsBefore;
    quiet = ticks <= 1 && wakeUps <= 5;
  }
  EXPECT_TRUE(quiet) << "last second: " << ticks << " ticks, " << wakeUps << " wake-ups";
}

TEST_F(WindowLinkTest, OrderlyExitRemovesTheEntry) {
  const std::string path = ui::link::SocketPath(static_cast<std::uint32_t>(peer->pid()));
  HWND remote = FindWindowW(nullptr, u"Velmora peer");
  ASSERT_TRUE(PostMessage(remote, WM_APP + 1, 0, 0));
  EXPECT_EQ(peer->Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(PostMessage(remote, WM_USER, 0, 0));
}

}  // namespace
