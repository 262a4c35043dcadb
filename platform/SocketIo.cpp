#include "platform/SocketIo.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

int WaitFor(int socket, short events, int milliseconds) {
  if (socket < 0) return -1;
  pollfd entry{};
  entry.fd = socket;
  entry.events = events;
  int result;
  do {
    result = poll(&entry, 1, milliseconds);
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace

int OpenNonBlockingStreamSocket() {
  return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
}

void SetReceiveBufferSize(int socket, int bytes) {
  setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

int BeginConnectIpv4(int socket, uint32_t addressNetworkOrder, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = addressNetworkOrder;
  if (connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return 0;
  return errno == EINPROGRESS || errno == EINTR ? 1 : -1;
}

int ConnectOutcome(int socket) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

int WaitReadableMs(int socket, int milliseconds) { return WaitFor(socket, POLLIN, milliseconds); }

int WaitWritableMs(int socket, int milliseconds) { return WaitFor(socket, POLLOUT, milliseconds); }

long ReceiveSome(int socket, char* buffer, size_t length) {
  ssize_t n;
  do {
    n = recv(socket, buffer, length, 0);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

long SendSome(int socket, const char* data, size_t length) {
  ssize_t n;
  do {
    n = send(socket, data, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

}  // namespace platform
