#include "platform/WakeSignal.h"

#include <sys/socket.h>
#include <unistd.h>

namespace platform {

WakeSignal::WakeSignal() {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) return;
  readEnd = ends[0];
  writeEnd = ends[1];
}

WakeSignal::~WakeSignal() {
  if (readEnd >= 0) ::close(readEnd);
  if (writeEnd >= 0) ::close(writeEnd);
}

void WakeSignal::Raise() {
  const char byte = 1;
  // A full buffer already means "wake up"; nothing is lost by failing.
  if (writeEnd >= 0) (void)!::send(writeEnd, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

void WakeSignal::Clear() {
  char buffer[64];
  while (readEnd >= 0 && ::recv(readEnd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
}

}  // namespace platform
