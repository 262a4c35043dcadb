#include "nativehost/WindowHandoff.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/WindowLink.h"

extern char** environ;

namespace nativehost {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

// Held while one host looks for the window and maybe starts it.
class StartLock {
 public:
  StartLock() {
    const std::string dir = ui::link::SocketDirectory();
    if (dir.empty()) return;
    fd_ = ::open((dir + "/native-host.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~StartLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  StartLock(const StartLock&) = delete;
  StartLock& operator=(const StartLock&) = delete;

 private:
  int fd_ = -1;
};

std::string ExitText(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

}  // namespace

std::string OwnProgramDirectory() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return {};
  const std::string exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

WindowHandoff::~WindowHandoff() { ReapStarted(); }

bool WindowHandoff::Deliver(const std::string& command, std::string& error) {
  ReapStarted();
  HWND window = FindOrStartWindow(error);
  if (!window) return false;
  std::string bytes = command;
  bytes.push_back('\0');  // senders hand the text with its terminator
  COPYDATASTRUCT data{};
  data.cbData = static_cast<DWORD>(bytes.size());
  data.lpData = bytes.data();
  if (!ui::link::SendCopyDataRemote(window, 0, data, options_.sendTimeoutMs)) {
    error = "the Velmora window did not take the link";
    return false;
  }
  return true;
}

HWND WindowHandoff::FindOrStartWindow(std::string& error) {
  // Without the folder no window can be found, and a started one could
  // not be reached either.
  if (ui::link::SocketDirectory().empty()) {
    error = "the per-user window folder cannot be used (not ours, or not private)";
    return nullptr;
  }
  StartLock lock;
  if (HWND window = ui::link::FindRemoteWindow(nullptr, options_.title.c_str())) return window;
  if (!StartProgram(error)) return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.startTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kPollInterval);
    if (HWND window = ui::link::FindRemoteWindow(nullptr, options_.title.c_str())) return window;
    int status = 0;
    if (started_ > 0 && ::waitpid(started_, &status, WNOHANG) == started_) {
      started_ = -1;
      error = "velmora ended before its window opened (" + ExitText(status) + ")";
      return nullptr;
    }
  }
  error = "no Velmora window appeared within " + std::to_string(options_.startTimeoutMs / 1000) + " s";
  return nullptr;
}

bool WindowHandoff::StartProgram(std::string& error) {
  if (options_.programDirectory.empty()) {
    error = "the folder of velmora is unknown";
    return false;
  }
  const std::string program = options_.programDirectory + "/velmora";
  // The browser's pipes are ours alone: the download center gets none of
  // them, and a session of its own so that the browser closing the host
  // does not take the download center with it.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    error = "cannot start " + program + ": " + std::strerror(rc);
    return false;
  }
  started_ = pid;
  return true;
}

void WindowHandoff::ReapStarted() {
  if (started_ > 0 && ::waitpid(started_, nullptr, WNOHANG) == started_) started_ = -1;
}

}  // namespace nativehost
