// Non-blocking socket steps for callers that wait in short slices (so a
// pause or an exit request is seen within a fraction of a second) instead of
// one long blocking call. Errors come back as errno values; ErrorText of
// FileSystem.h turns them into words. Safe from any thread; a handle is used
// by one thread at a time.
#ifndef VELMORA_PLATFORM_SOCKETIO_H
#define VELMORA_PLATFORM_SOCKETIO_H

#include <cstddef>
#include <cstdint>

namespace platform {

// A non-blocking IPv4 stream socket; -1 with errno set on failure.
int OpenNonBlockingStreamSocket();

// Asks the kernel for a receive buffer of `bytes` (before connecting, so the
// advertised window follows it). Best effort.
void SetReceiveBufferSize(int socket, int bytes);

// Starts a connect: 0 connected, 1 in progress, -1 failed (errno set).
int BeginConnectIpv4(int socket, uint32_t addressNetworkOrder, uint16_t port);
// After the socket turned writable: 0 connected, else the errno of the failure.
int ConnectOutcome(int socket);

// Waits up to `milliseconds` for readability (or writability): >0 ready,
// 0 when the wait ran out, -1 on error. A closed peer counts as ready.
int WaitReadableMs(int socket, int milliseconds);
int WaitWritableMs(int socket, int milliseconds);

// One recv/send: bytes moved, 0 at orderly close (recv), -1 with errno set.
// EAGAIN reads as -1 with errno EAGAIN. Send never raises SIGPIPE.
long ReceiveSome(int socket, char* buffer, size_t length);
long SendSome(int socket, const char* data, size_t length);

}  // namespace platform

#endif
