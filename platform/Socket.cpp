#include "platform/Socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool StartSocketLibrary() { return true; }

int OpenStreamSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP); }

int CloseSocket(int socket) { return socket >= 0 && close(socket) == 0 ? 0 : -1; }

std::optional<uint32_t> ParseIpv4(const char* text) {
  in_addr address{};
  if (!text || inet_pton(AF_INET, text, &address) != 1) return std::nullopt;
  return address.s_addr;
}

std::optional<uint32_t> ResolveIpv4(const char* host) {
  if (!host || !*host) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  uint32_t address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return address;
}

int ConnectIpv4(int socket, uint32_t addressNetworkOrder, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = addressNetworkOrder;
  int result;
  do {
    result = connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : -1;
}

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
