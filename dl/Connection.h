// One connection to a server as the download engine sees it: open, send,
// receive in short waits. Plain TCP straight to the server, or TLS and
// proxies through the network library's server connection.
//
// Threads: a connection is used by one thread. `cancelled` is polled between
// waits, so a pause or an exit takes effect within one wait slice.
#ifndef VELMORA_DL_CONNECTION_H
#define VELMORA_DL_CONNECTION_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Connection {
 public:
  enum : long { kClosed = 0, kFailed = -1, kWaitedOut = -2 };

  virtual ~Connection() = default;
  // Waits at most `waitMs` for data: bytes received (>0), kClosed at an
  // orderly close, kFailed (errorText says why), kWaitedOut.
  virtual long Receive(char* buffer, size_t size, int waitMs) = 0;
  // Sends everything, waiting at most `totalWaitMs` in all; false with
  // errorText on failure or when `cancelled` turned true.
  virtual bool SendAll(std::string_view data, int totalWaitMs, const std::function<bool()>& cancelled) = 0;
  virtual const std::string& errorText() const = 0;
  // How the request text must look when a proxy forwards plain requests.
  virtual bool forwardsThroughProxy() const { return false; }
  virtual std::string proxyAuthorization() const { return {}; }
  // "127.0.0.1:3128" when a proxy carries the connection, else empty.
  virtual std::string proxyEndpoint() const { return {}; }
};

struct ConnectTarget {
  std::string scheme = "http";
  std::string host;
  uint16_t port = 80;
  int receiveBufferBytes = 0;  // 0: the system's own sizing
  int timeoutMs = 30000;
};

// Resolves and connects. On failure null, with `error` naming the host, the
// port and the system's reason ("Connection refused" and the like), or
// "stopped" when `cancelled` answered true first.
std::unique_ptr<Connection> OpenTcpConnection(const ConnectTarget& target, const std::function<bool()>& cancelled,
                                              std::string& error);

// Any target: https with TLS (certificates checked, never switched off),
// through the proxy the settings choose for it. On failure null with
// `error`; `permanent` tells a refusal that another try cannot mend (a
// certificate or handshake fault, an unusable proxy setting) from a
// network failure.
std::unique_ptr<Connection> OpenConnection(const ConnectTarget& target, const std::function<bool()>& cancelled,
                                           std::string& error, bool& permanent);

#endif
