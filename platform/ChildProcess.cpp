#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "platform/ErrorText.h"

extern char** environ;

namespace platform {

namespace {

constexpr size_t kKeptOutput = 8192;
// How often a wait looks again when the kernel gives no pidfd.
constexpr int kPollSliceMs = 10;

// Closes the descriptors it holds when it goes, unless released.
struct Pipe {
  int fds[2] = {-1, -1};
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) close(fd);
  }
  void CloseEnd(int end) {
    if (fds[end] >= 0) close(fds[end]);
    fds[end] = -1;
  }
  int Release(int end) {
    const int fd = fds[end];
    fds[end] = -1;
    return fd;
  }
};

// Owns a posix_spawn_file_actions_t for the length of one spawn.
struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

ChildEnd EndOf(int status) {
  return WIFEXITED(status) ? ChildEnd{true, WEXITSTATUS(status)} : ChildEnd{false, WTERMSIG(status)};
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string list = path;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string folder = list.substr(start, end - start);
    if (!folder.empty()) {
      std::string candidate = folder + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& stderrPath) {
  if (argv.empty() || argv[0].empty()) {
    error_ = "no program named";
    return;
  }
  Spawn(argv, stderrPath);
  // Through syscall: this C library's header declares pidfd_open without C
  // linkage. Without one, waits poll in short slices instead.
  if (pid_ > 0) pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
}

void ChildProcess::Spawn(const std::vector<std::string>& argv, const std::string& stderrPath) {
  Pipe output;
  SpawnActions spawn;
  posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (stderrPath.empty()) {
    if (pipe2(output.fds, O_CLOEXEC) != 0) {
      error_ = "pipe: " + ErrorText(errno);
      return;
    }
    posix_spawn_file_actions_adddup2(&spawn.actions, output.fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, output.fds[1], STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&spawn.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&spawn.actions, STDERR_FILENO, stderrPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, argv[0].c_str(), &spawn.actions, nullptr, args.data(), environ);
  if (error != 0) {
    error_ = argv[0] + ": " + ErrorText(error);
    return;
  }
  pid_ = pid;
  output.CloseEnd(1);
  if (output.fds[0] >= 0) {
    outputFd_ = output.Release(0);
    fcntl(outputFd_, F_SETFL, O_NONBLOCK);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !end_) Kill();
  if (pidfd_ >= 0) close(pidfd_);
  if (outputFd_ >= 0) close(outputFd_);
}

void ChildProcess::DrainOutput() {
  if (outputFd_ < 0) return;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(outputFd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      // Closed for good: a wait must not wake on it again and again.
      close(outputFd_);
      outputFd_ = -1;
    }
    if (n <= 0) return;
    output_.append(buffer, static_cast<size_t>(n));
    if (output_.size() > kKeptOutput) output_.erase(0, output_.size() - kKeptOutput);
  }
}

// True once the child's end is known; `options` is 0 to block. A child this
// process can no longer wait for (reaped elsewhere) counts as ended by a
// signal, with the reason in error(), so no wait hangs on it.
bool ChildProcess::Reaped(int options) {
  int status = 0;
  pid_t ended;
  while ((ended = waitpid(pid_, &status, options)) < 0 && errno == EINTR) {
  }
  if (ended < 0) {
    error_ = "waitpid: " + ErrorText(errno);
    end_ = ChildEnd{false, 0};
    return true;
  }
  if (ended != pid_) return false;
  end_ = EndOf(status);
  DrainOutput();
  return true;
}

std::optional<ChildEnd> ChildProcess::WaitFor(int ms) {
  if (end_ || pid_ <= 0) return end_;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    DrainOutput();
    if (Reaped(WNOHANG)) return end_;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return end_;
    pollfd watch[2] = {{pidfd_, POLLIN, 0}, {outputFd_, POLLIN, 0}};
    const int slice = pidfd_ >= 0 ? static_cast<int>(left) : std::min(static_cast<int>(left), kPollSliceMs);
    poll(watch, 2, slice);
  }
}

void ChildProcess::Terminate() {
  if (pid_ > 0 && !end_) kill(pid_, SIGTERM);
}

ChildEnd ChildProcess::Kill() {
  if (end_) return *end_;
  if (pid_ <= 0) return ChildEnd{false, 0};
  kill(pid_, SIGKILL);
  Reaped(0);
  return *end_;
}

ChildResult RunProgram(const std::vector<std::string>& argv, const std::function<bool()>& stop) {
  ChildResult result;
  ChildProcess child(argv);
  if (!child.started()) return result.error = child.error(), result;
  result.started = true;
  std::optional<ChildEnd> end;
  int sinceStop = 0;
  while (!(end = child.WaitFor(100))) {
    if (!result.stopped && stop && stop()) {
      result.stopped = true;
      child.Terminate();
    } else if (result.stopped && ++sinceStop == 30) {
      end = child.Kill();  // it had three seconds to end by itself
      break;
    }
  }
  result.output = child.output();
  result.exitCode = end->exited ? end->code : -1;
  return result;
}

}  // namespace platform
