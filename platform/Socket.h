// IPv4 TCP sockets over POSIX. Handles are plain ints, -1 when none is open.
// The timed receive and send wait for readiness first and answer -2 when the
// wait runs out (or fails), otherwise what recv/send answered: that is the
// whole contract the HTTP client relies on. Safe from any thread; a handle is
// used by one thread at a time.
#ifndef VELMORA_PLATFORM_SOCKET_H
#define VELMORA_PLATFORM_SOCKET_H

#include <cstdint>
#include <optional>

namespace platform {

// Nothing to start on POSIX; kept so callers keep one start-up step.
bool StartSocketLibrary();

// A blocking IPv4 stream socket, -1 on failure.
int OpenStreamSocket();
// 0 when closed.
int CloseSocket(int socket);

// Dotted IPv4 text in network byte order; nullopt when the text is not one.
std::optional<uint32_t> ParseIpv4(const char* text);
// First IPv4 address of a host name, network byte order.
std::optional<uint32_t> ResolveIpv4(const char* host);
// Blocks as long as the OS does. 0 on success, -1 on failure.
int ConnectIpv4(int socket, uint32_t addressNetworkOrder, uint16_t port);

enum class WaitKind { Readable = 0, Writable = 1, Exceptional = 2 };
// >0 ready, 0 when the wait ran out, -1 on error.
int WaitReady(int socket, int seconds, WaitKind kind);

// Wait up to `seconds`, then one recv/send. -2 when the wait did not end in
// readiness. Send never raises SIGPIPE.
int TimedReceive(int socket, char* buffer, int32_t length, int32_t flags, int seconds);
int TimedSend(int socket, const char* data, int32_t length, int32_t flags, int seconds);

}  // namespace platform

#endif
