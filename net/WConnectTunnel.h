// WConnectTunnel: asking an HTTP proxy for a tunnel (CONNECT host:port) over
// a socket already connected to it. On success the socket carries bytes
// straight to the target (TLS starts next); nothing of the target's is read
// here, because the proxy's answer head is taken off the socket exactly to
// its blank line. The head may end lines with CRLF or a bare LF and may come
// split in any way.
//
// Sends never raise SIGPIPE; waits in short slices, asking `stop` between
// them. Safe from any thread for different sockets.
#ifndef VELMORA_NET_WCONNECTTUNNEL_H
#define VELMORA_NET_WCONNECTTUNNEL_H

#include <cstdint>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "net/WProxyUrl.h"
#include "net/WSocketWait.h"

struct WTunnelResult {
  ResultCode code = Success;  // else NetConnectError
  // ProxyAuth for a 407, Timeout when the proxy stayed silent, else Proxy.
  FailureCause cause = FailureCause::None;
  int status = 0;             // the proxy's answer, 0 when none came
  std::string reason;         // its reason text
  // "proxy 127.0.0.1:3128 refused CONNECT: 407 Proxy Authentication Required"
  std::string errorText;
};

class WConnectTunnel {
 public:
  // A longer answer head is refused.
  static constexpr size_t kMaxHeadBytes = 16 * 1024;

  // "CONNECT host:port HTTP/1.1\r\nHost: host:port\r\n" and, with
  // credentials, "Proxy-Authorization: Basic ...\r\n", then "\r\n".
  static std::string RequestText(const WProxyUrl& proxy, const std::string& host, uint16_t port);

  // Asks for the tunnel and reads the answer within `timeoutMs` in all.
  // Success on any 2xx answer.
  static WTunnelResult Open(int fd, const WProxyUrl& proxy, const std::string& host, uint16_t port, int timeoutMs,
                            const StopCheck& stop = {});
};

#endif
