#include "net/WTcpConnect.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

using AddressList = std::unique_ptr<addrinfo, void (*)(addrinfo*)>;

std::string BareHost(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

AddressList Resolve(const std::string& host, uint16_t port, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  // No AI_ADDRCONFIG: on a machine with loopback alone it would find nothing
  // for "localhost"; an address family the machine lacks fails fast instead.
  addrinfo* found = nullptr;
  int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (result != 0) error = std::string("the name could not be resolved (") + gai_strerror(result) + ")";
  return AddressList(result == 0 ? found : nullptr, freeaddrinfo);
}

// One attempt: 0 connected, else the errno of the failure (ETIMEDOUT when
// the deadline passed, ECANCELED when stopped).
int Attempt(int fd, const addrinfo& address, const WDeadline& deadline, const StopCheck& stop) {
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  switch (WaitSocket(fd, POLLOUT, deadline, stop)) {
    case WaitOutcome::Ready:
      break;
    case WaitOutcome::TimedOut:
      return ETIMEDOUT;
    case WaitOutcome::Stopped:
      return ECANCELED;
    case WaitOutcome::Failed:
      return errno;
  }
  int problem = 0;
  socklen_t size = sizeof problem;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &problem, &size) != 0) return errno;
  return problem;
}

int OpenSocket(const addrinfo& address) {
  int fd = socket(address.ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  int one = 1;
  if (fd >= 0) setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

std::string Reason(int problem) {
  if (problem == ETIMEDOUT) return "no answer in time";
  if (problem == ECANCELED) return "stopped";
  std::string text = std::strerror(problem);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

int ConnectTcp(const std::string& host, uint16_t port, const WDeadline& deadline, const StopCheck& stop,
               std::string& error) {
  std::string bare = BareHost(host);
  if (bare.empty() || port == 0) {
    error = "no host and port to connect to";
    return -1;
  }
  AddressList addresses = Resolve(bare, port, error);
  int problem = EHOSTUNREACH;
  for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
    int fd = OpenSocket(*address);
    if (fd < 0) {
      problem = errno;
      continue;
    }
    problem = Attempt(fd, *address, deadline, stop);
    if (problem == 0) return fd;
    close(fd);
    if (problem == ETIMEDOUT || problem == ECANCELED) break;
  }
  if (addresses) error = Reason(problem);
  return -1;
}
