#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/ErrorText.h"

extern char** environ;

namespace platform {

namespace {

constexpr size_t kKeptOutput = 8192;

// Closes the descriptors it holds when it goes.
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
};

void Drain(int fd, std::string& output) {
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    output.append(buffer, static_cast<size_t>(n));
    if (output.size() > kKeptOutput) output.erase(0, output.size() - kKeptOutput);
  }
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

ChildResult RunProgram(const std::vector<std::string>& argv, const std::function<bool()>& stop) {
  ChildResult result;
  if (argv.empty()) return result.error = "no program named", result;
  Pipe errors;
  if (pipe2(errors.fds, O_CLOEXEC) != 0) return result.error = "pipe: " + ErrorText(errno), result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errors.fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errors.fds[1], STDERR_FILENO);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  int error = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  errors.CloseEnd(1);
  if (error != 0) return result.error = argv[0] + ": " + ErrorText(error), result;
  result.started = true;
  fcntl(errors.fds[0], F_SETFL, O_NONBLOCK);
  int status = 0;
  int sinceStop = 0;
  for (;;) {
    pollfd watch{errors.fds[0], POLLIN, 0};
    poll(&watch, 1, 100);
    Drain(errors.fds[0], result.output);
    pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) break;
    if (ended < 0 && errno != EINTR) return result.error = "waitpid: " + ErrorText(errno), result;
    if (!result.stopped && stop && stop()) {
      result.stopped = true;
      kill(pid, SIGTERM);
    } else if (result.stopped && ++sinceStop == 30) {
      kill(pid, SIGKILL);  // it had three seconds to end by itself
    }
  }
  Drain(errors.fds[0], result.output);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace platform
