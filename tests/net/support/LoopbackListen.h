// A listening TCP socket on 127.0.0.1 with a port the kernel picks: the
// start of every scripted server, proxy and TLS server in the tests.
#ifndef VELMORA_TESTS_NET_SUPPORT_LOOPBACKLISTEN_H
#define VELMORA_TESTS_NET_SUPPORT_LOOPBACKLISTEN_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// The listening descriptor with its port in *port; -1 when none could be had.
inline int ListenOnLoopback(uint16_t* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return -1;
  }
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  *port = ntohs(address.sin_port);
  return fd;
}

#endif
