// A listening TCP socket on 127.0.0.1 (or ::1, IPv6 only) with a port the
// kernel picks: the start of every scripted server, proxy and TLS server in
// the tests.
#ifndef VELMORA_TESTS_NET_SUPPORT_LOOPBACKLISTEN_H
#define VELMORA_TESTS_NET_SUPPORT_LOOPBACKLISTEN_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// The listening descriptor with its port in *port; -1 when none could be had.
inline int ListenOnLoopback(uint16_t* port, bool ipv6 = false) {
  int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (ipv6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
  sockaddr_storage storage{};
  socklen_t size = ipv6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
  auto* address = reinterpret_cast<sockaddr*>(&storage);
  if (ipv6) {
    auto* six = reinterpret_cast<sockaddr_in6*>(&storage);
    six->sin6_family = AF_INET6;
    six->sin6_addr = in6addr_loopback;
  } else {
    auto* four = reinterpret_cast<sockaddr_in*>(&storage);
    four->sin_family = AF_INET;
    four->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  if (bind(fd, address, size) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return -1;
  }
  getsockname(fd, address, &size);
  *port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                     : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
  return fd;
}

#endif
