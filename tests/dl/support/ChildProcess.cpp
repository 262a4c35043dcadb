#include "tests/dl/support/ChildProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

ChildEnd Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? ChildEnd{true, WEXITSTATUS(status)} : ChildEnd{false, WTERMSIG(status)};
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& stderrPath) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  // Through syscall: this C library's header declares pidfd_open without C linkage.
  if (pid_ > 0) pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !end_) Kill();
  if (pidfd_ >= 0) close(pidfd_);
}

std::optional<ChildEnd> ChildProcess::WaitFor(int ms) {
  if (end_ || pid_ <= 0) return end_;
  pollfd entry{pidfd_, POLLIN, 0};
  int ready;
  while ((ready = poll(&entry, 1, ms)) < 0 && errno == EINTR) {
  }
  if (ready > 0) end_ = Reap(pid_);
  return end_;
}

ChildEnd ChildProcess::Kill() {
  if (end_) return *end_;
  if (pid_ <= 0) return ChildEnd{false, 0};
  kill(pid_, SIGKILL);
  end_ = Reap(pid_);
  return *end_;
}
