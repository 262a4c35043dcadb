// TCP sockets over POSIX: addresses of either family, opening, options, and
// the blocking timed receive and send of the HTTP client. Handles are plain
// ints, -1 when none is open. The timed receive and send wait for readiness
// first and answer -2 when the wait runs out (or fails), otherwise what
// recv/send answered: that is the whole contract the HTTP client relies on.
// Safe from any thread; a handle is used by one thread at a time.
#ifndef VELMORA_PLATFORM_SOCKET_H
#define VELMORA_PLATFORM_SOCKET_H

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Nothing to start on POSIX; kept so callers keep one start-up step.
bool StartSocketLibrary();

// One address to connect to, whatever its family; opaque to callers.
struct SocketAddress {
  int family = 0;
  unsigned length = 0;
  alignas(8) unsigned char bytes[128] = {};

  bool isIpv6() const;
  // "127.0.0.1" or "::1", for messages.
  std::string Text() const;
};

// The 4 (IPv4) or 16 (IPv6) bytes of an address written as text (dotted
// IPv4, or IPv6 without brackets); empty when the text is no address.
std::vector<unsigned char> ParseIpAddress(const std::string& text);
// The text of 4 or 16 address bytes; empty for any other length.
std::string IpAddressText(const unsigned char* bytes, size_t length);

// Every stream address `host` (a name, dotted IPv4 or bare IPv6 text) has,
// in the resolver's order of preference. False with `error` (the resolver's
// own words) when there is none.
bool ResolveStreamAddresses(const std::string& host, uint16_t port, std::vector<SocketAddress>& out,
                            std::string& error);

// A non-blocking stream socket of the address's family (close-on-exec, no
// Nagle delay); -1 with errno set on failure.
int OpenStreamSocketFor(const SocketAddress& address);
// Switches a socket between blocking and non-blocking; 0, or -1 with errno.
int SetBlocking(int socket, bool blocking);
// 0 when closed.
int CloseSocket(int socket);

enum class WaitKind { Readable = 0, Writable = 1, Exceptional = 2 };
// >0 ready, 0 when the wait ran out, -1 on error.
int WaitReady(int socket, int seconds, WaitKind kind);

// Wait up to `seconds`, then one recv/send. -2 when the wait did not end in
// readiness. Send never raises SIGPIPE.
int TimedReceive(int socket, char* buffer, int32_t length, int32_t flags, int seconds);
int TimedSend(int socket, const char* data, int32_t length, int32_t flags, int seconds);

}  // namespace platform

#endif
