#include "tests/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr int kStartTimeoutMs = 10000;

std::string FindXvfb() {
  for (const char* candidate : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"}) {
    if (::access(candidate, X_OK) == 0) return candidate;
  }
  return {};
}

// Xvfb writes its display number followed by a line feed to the descriptor
// given with -displayfd once it accepts clients.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  int waited = 0;
  while (waited < kStartTimeoutMs) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    waited += 100;
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n <= 0) return {};
    if (c == '\n') return number;
    number.push_back(c);
  }
  return {};
}

}  // namespace

XvfbServer::~XvfbServer() { Stop(); }

bool XvfbServer::Start(int width, int height) {
  const std::string binary = FindXvfb();
  if (binary.empty()) {
    failure_ = "Xvfb is not installed (Debian package xvfb; scripts/install-deps.sh installs it)";
    return false;
  }
  int fds[2];
  if (::pipe(fds) != 0) {
    failure_ = std::string("pipe failed: ") + std::strerror(errno);
    return false;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::string displayFd = std::to_string(fds[1]);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(fds[0]);
    // Quiet: the server's start-up chatter is not the test's output.
    if (int devnull = ::open("/dev/null", O_WRONLY); devnull >= 0) {
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    ::execl(binary.c_str(), binary.c_str(), "-displayfd", displayFd.c_str(), "-screen", "0", screen.c_str(),
            "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid_ < 0) {
    ::close(fds[0]);
    failure_ = std::string("fork failed: ") + std::strerror(errno);
    return false;
  }
  const std::string number = ReadDisplayNumber(fds[0]);
  ::close(fds[0]);
  if (number.empty()) {
    failure_ = "Xvfb did not come up within 10 s";
    Stop();
    return false;
  }
  display_ = ":" + number;
  return true;
}

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}
