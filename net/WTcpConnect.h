// WTcpConnect: the one way this program opens a TCP connection, to a host
// name or address of either family. Every address the name resolves to is
// tried, the families taking turns (the resolver's favourite first), and an
// attempt that has not connected within kAttemptDelayMs gets company from
// the next one, so a family the network cannot route costs a quarter second
// instead of a whole time-out. The first attempt to connect wins; the others
// are closed. Waits are sliced so a stop is heard; name resolution itself
// blocks for as long as the system resolver takes.
//
// Safe from any thread.
#ifndef VELMORA_NET_WTCPCONNECT_H
#define VELMORA_NET_WTCPCONNECT_H

#include <cstdint>
#include <string>
#include <vector>

#include "base/FailureCause.h"
#include "net/WSocketWait.h"
#include "platform/Socket.h"

inline constexpr int kAttemptDelayMs = 250;

struct TcpConnectOptions {
  // Asked of the kernel before connecting, so the window the server sees
  // follows it from the start (a speed limit relies on it); 0: the
  // system's own sizing.
  int receiveBufferBytes = 0;
};

// A connected, non-blocking socket (close-on-exec, no Nagle delay) for the
// caller to close, or -1 with `failure`: cause Dns, Refused (refused, reset,
// unreachable) or Timeout (also when stopped), and a message in plain words
// for the caller to put after the name of what it tried to reach
// ("connection refused", "no answer in time", "the name could not be
// resolved (...)"). `host` may be IPv6 text with or without brackets.
int ConnectTcp(const std::string& host, uint16_t port, const WDeadline& deadline, const StopCheck& stop,
               Failure& failure, const TcpConnectOptions& options = {});

// The same over addresses already resolved, tried in the order of
// InterleaveFamilies.
int ConnectToAny(const std::vector<platform::SocketAddress>& addresses, const WDeadline& deadline,
                 const StopCheck& stop, Failure& failure, const TcpConnectOptions& options = {});

// "::1" for "[::1]"; any other host as it is.
std::string BareHost(const std::string& host);

// The addresses with the families taking turns, the first address's family
// leading; within a family the order stays.
std::vector<platform::SocketAddress> InterleaveFamilies(const std::vector<platform::SocketAddress>& addresses);

#endif
