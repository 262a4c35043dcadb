// The server side of TCP: a listening socket on one address and the accept
// of what arrives on it, plus the question whether an address stays on this
// machine. Handles are plain ints as in Socket.h. Safe from any thread; a
// handle is used by one thread at a time.
#ifndef VELMORA_PLATFORM_LISTENINGSOCKET_H
#define VELMORA_PLATFORM_LISTENINGSOCKET_H

#include <cstdint>
#include <string>

namespace platform {

// Listens on `host` (an address literal or a name) and `port` (0 for any
// free one): non-blocking, close-on-exec, address reuse on. The handle, or -1
// with `error` in plain words. `boundPort` receives the port in use.
int OpenListeningSocket(const std::string& host, uint16_t port, uint16_t& boundPort, std::string& error);

// One waiting connection, non-blocking and close-on-exec: its handle and the
// peer's address text ("127.0.0.1", "::1"), or -1 with errno set (EAGAIN
// when nobody waits).
int AcceptConnection(int listener, std::string& peerAddress);

// True for an address that never leaves this machine: 127.0.0.0/8, ::1,
// an IPv4-mapped loopback, and the name "localhost".
bool IsLoopbackHost(const std::string& host);

}  // namespace platform

#endif
