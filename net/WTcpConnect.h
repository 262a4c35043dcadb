// WTcpConnect: a TCP connection to a host name or address (IPv4 or IPv6,
// every address the name resolves to, in order), each attempt waited for in
// short slices so a stop is heard. Name resolution itself blocks for as long
// as the system resolver takes.
//
// Safe from any thread.
#ifndef VELMORA_NET_WTCPCONNECT_H
#define VELMORA_NET_WTCPCONNECT_H

#include <cstdint>
#include <string>

#include "net/WSocketWait.h"

// A connected, non-blocking socket (close-on-exec, no Nagle delay) for the
// caller to close, or -1 with `error` saying why in plain words, for the
// caller to put after the name of what it tried to reach ("connection
// refused", "no answer in time", "the name could not be resolved (...)").
int ConnectTcp(const std::string& host, uint16_t port, const WDeadline& deadline, const StopCheck& stop,
               std::string& error);

#endif
