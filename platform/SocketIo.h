// Non-blocking socket steps for callers that wait in short slices (so a
// pause or an exit request is seen within a fraction of a second) instead of
// one long blocking call. Errors come back as errno values; ErrorText of
// FileSystem.h turns them into words. Safe from any thread; a handle is used
// by one thread at a time.
#ifndef VELMORA_PLATFORM_SOCKETIO_H
#define VELMORA_PLATFORM_SOCKETIO_H

#include <cstddef>
#include <cstdint>

#include "platform/Socket.h"

namespace platform {

// Asks the kernel for a receive buffer of `bytes` (before connecting, so the
// advertised window follows it). Best effort.
void SetReceiveBufferSize(int socket, int bytes);

// Starts a connect: 0 connected, 1 in progress, -1 failed (errno set).
int BeginConnect(int socket, const SocketAddress& address);
// After the socket turned writable: 0 connected, else the errno of the failure.
int ConnectOutcome(int socket);

enum class SocketWant { Read, Write };

// Waits up to `milliseconds` for the socket to be ready: >0 ready, 0 when
// the wait ran out, -1 on error (errno set). A closed or failed peer counts
// as ready, so that the next receive or send reports it.
int WaitSocketMs(int socket, SocketWant want, int milliseconds);

// Several sockets at once: `ready` is set on those that are; the answer is
// as above.
struct SocketPoll {
  int socket = -1;
  SocketWant want = SocketWant::Read;
  bool ready = false;
};
int WaitAnySocketMs(SocketPoll* sockets, size_t count, int milliseconds);

// One recv/send that never blocks: bytes moved, 0 at orderly close (recv),
// -1 with errno set (EAGAIN when nothing could move now). Send never raises
// SIGPIPE. PeekSome leaves what it reads queued.
long ReceiveSome(int socket, char* buffer, size_t length);
long PeekSome(int socket, char* buffer, size_t length);
long SendSome(int socket, const char* data, size_t length);

}  // namespace platform

#endif
