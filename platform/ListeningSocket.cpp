#include "platform/ListeningSocket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/ErrorText.h"
#include "platform/Socket.h"

namespace platform {

namespace {

int ListenOn(const SocketAddress& address, std::string& error) {
  const int fd = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = ErrorText(errno);
    return -1;
  }
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(address.bytes), address.length) != 0 ||
      ::listen(fd, SOMAXCONN) != 0) {
    error = ErrorText(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

uint16_t PortOf(int fd) {
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
  if (bound.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
  return ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}

}  // namespace

int OpenListeningSocket(const std::string& host, uint16_t port, uint16_t& boundPort, std::string& error) {
  std::vector<SocketAddress> addresses;
  if (!ResolveStreamAddresses(host, port, addresses, error)) return -1;
  for (const SocketAddress& address : addresses) {
    const int fd = ListenOn(address, error);
    if (fd < 0) continue;
    boundPort = PortOf(fd);
    return fd;
  }
  if (addresses.empty()) error = "no address for " + host;
  return -1;
}

int AcceptConnection(int listener, std::string& peerAddress) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return -1;
  SocketAddress address;
  address.family = peer.ss_family;
  address.length = length;
  static_assert(sizeof address.bytes >= sizeof peer);
  std::memcpy(address.bytes, &peer, sizeof peer);
  peerAddress = address.Text();
  return fd;
}

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost") return true;
  const std::vector<unsigned char> bytes = ParseIpAddress(host);
  if (bytes.size() == 4) return bytes[0] == 127;
  if (bytes.size() != 16) return false;
  static const unsigned char kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  static const unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  if (std::equal(bytes.begin(), bytes.end(), kLoopback6)) return true;
  return std::equal(bytes.begin(), bytes.begin() + 12, kMappedPrefix) && bytes[12] == 127;
}

}  // namespace platform
