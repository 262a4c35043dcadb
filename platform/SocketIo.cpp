#include "platform/SocketIo.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace {

short EventsFor(SocketWant want) { return want == SocketWant::Write ? POLLOUT : POLLIN; }

long ReceiveWith(int socket, char* buffer, size_t length, int flags) {
  ssize_t n;
  do {
    n = recv(socket, buffer, length, flags | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

}  // namespace

void SetReceiveBufferSize(int socket, int bytes) {
  setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

int BeginConnect(int socket, const SocketAddress& address) {
  if (connect(socket, reinterpret_cast<const sockaddr*>(address.bytes), address.length) == 0) return 0;
  return errno == EINPROGRESS || errno == EINTR ? 1 : -1;
}

int ConnectOutcome(int socket) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

int WaitSocketMs(int socket, SocketWant want, int milliseconds) {
  SocketPoll one{socket, want, false};
  return WaitAnySocketMs(&one, 1, milliseconds);
}

int WaitAnySocketMs(SocketPoll* sockets, size_t count, int milliseconds) {
  std::vector<pollfd> entries(count);
  for (size_t i = 0; i < count; ++i) {
    if (sockets[i].socket < 0) return errno = EBADF, -1;
    entries[i] = pollfd{sockets[i].socket, EventsFor(sockets[i].want), 0};
  }
  int result;
  do {
    result = poll(entries.data(), entries.size(), milliseconds);
  } while (result < 0 && errno == EINTR);
  for (size_t i = 0; i < count; ++i) sockets[i].ready = result > 0 && entries[i].revents != 0;
  return result;
}

long ReceiveSome(int socket, char* buffer, size_t length) { return ReceiveWith(socket, buffer, length, 0); }

long PeekSome(int socket, char* buffer, size_t length) { return ReceiveWith(socket, buffer, length, MSG_PEEK); }

long SendSome(int socket, const char* data, size_t length) {
  ssize_t n;
  do {
    n = send(socket, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

}  // namespace platform
