#include "tests/net/support/LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackClient::LoopbackClient(uint16_t port) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

LoopbackClient::~LoopbackClient() {
  if (fd_ >= 0) close(fd_);
}

std::string LoopbackClient::ReadAvailable(int quietMs) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, quietMs) <= 0) return bytes;
    ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(got));
  }
}
