#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

static_assert(sizeof(SocketAddress::bytes) >= sizeof(sockaddr_storage));

bool StartSocketLibrary() { return true; }

bool SocketAddress::isIpv6() const { return family == AF_INET6; }

std::string SocketAddress::Text() const {
  char text[INET6_ADDRSTRLEN] = {};
  const void* raw = family == AF_INET6 ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(bytes)->sin6_addr)
                                       : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(bytes)->sin_addr);
  if (!inet_ntop(family, raw, text, sizeof text)) return "?";
  return text;
}

std::vector<unsigned char> ParseIpAddress(const std::string& text) {
  unsigned char bytes[sizeof(in6_addr)];
  if (inet_pton(AF_INET, text.c_str(), bytes) == 1) return {bytes, bytes + 4};
  if (inet_pton(AF_INET6, text.c_str(), bytes) == 1) return {bytes, bytes + 16};
  return {};
}

std::string IpAddressText(const unsigned char* bytes, size_t length) {
  char text[INET6_ADDRSTRLEN] = {};
  int family = length == 4 ? AF_INET : length == 16 ? AF_INET6 : 0;
  if (!family || !bytes || !inet_ntop(family, bytes, text, sizeof text)) return {};
  return text;
}

bool ResolveStreamAddresses(const std::string& host, uint16_t port, std::vector<SocketAddress>& out,
                            std::string& error) {
  out.clear();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  // No AI_ADDRCONFIG: on a machine with loopback alone it would find nothing
  // for "localhost"; an address family the machine lacks fails fast instead.
  addrinfo* found = nullptr;
  int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (result != 0) {
    error = gai_strerror(result);
    return false;
  }
  for (const addrinfo* each = found; each; each = each->ai_next) {
    if ((each->ai_family != AF_INET && each->ai_family != AF_INET6) || each->ai_addrlen > sizeof(SocketAddress::bytes))
      continue;
    SocketAddress address;
    address.family = each->ai_family;
    address.length = static_cast<unsigned>(each->ai_addrlen);
    std::memcpy(address.bytes, each->ai_addr, each->ai_addrlen);
    out.push_back(address);
  }
  freeaddrinfo(found);
  if (out.empty()) error = "no IPv4 or IPv6 address";
  return !out.empty();
}

int OpenStreamSocketFor(const SocketAddress& address) {
  int fd = socket(address.family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  int one = 1;
  if (fd >= 0) setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

int SetBlocking(int socket, bool blocking) {
  int flags = fcntl(socket, F_GETFL);
  if (flags < 0) return -1;
  flags = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
  return fcntl(socket, F_SETFL, flags) == 0 ? 0 : -1;
}

int CloseSocket(int socket) { return socket >= 0 && close(socket) == 0 ? 0 : -1; }

// poll rather than select: select cannot hold a handle above FD_SETSIZE.
int WaitReady(int socket, int seconds, WaitKind kind) {
  if (socket < 0) return -1;
  pollfd entry{};
  entry.fd = socket;
  entry.events = kind == WaitKind::Readable   ? POLLIN
                 : kind == WaitKind::Writable ? POLLOUT
                                              : POLLPRI;
  // A closed or failed peer counts as ready, so that recv/send report it.
  return poll(&entry, 1, seconds * 1000);
}

int TimedReceive(int socket, char* buffer, int32_t length, int32_t flags, int seconds) {
  if (WaitReady(socket, seconds, WaitKind::Readable) <= 0) return -2;
  return static_cast<int>(recv(socket, buffer, length < 0 ? 0 : static_cast<size_t>(length), flags));
}

int TimedSend(int socket, const char* data, int32_t length, int32_t flags, int seconds) {
  if (WaitReady(socket, seconds, WaitKind::Writable) <= 0) return -2;
  return static_cast<int>(
      send(socket, data, length < 0 ? 0 : static_cast<size_t>(length), flags | MSG_NOSIGNAL));
}

}  // namespace platform
