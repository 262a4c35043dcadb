// WServerConnection: one connection to the server of a URL as the HTTP
// layer needs it: plain TCP or TLS, straight or through the proxy the
// settings choose. HTTPS through a proxy goes by CONNECT and then TLS with
// the origin's name; plain HTTP through a proxy is sent to the proxy as it
// is, and then the request line must carry the absolute URL and the
// Proxy-Authorization field (forwardsThroughProxy(), proxyAuthorization()).
//
// Every wait is sliced (see WSocketWait.h). One thread uses an object at a
// time; the socket is closed with the object.
#ifndef VELMORA_NET_WSERVERCONNECTION_H
#define VELMORA_NET_WSERVERCONNECTION_H

#include <cstdint>
#include <memory>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "net/WProxySettings.h"
#include "net/WSocketWait.h"
#include "net/WTlsConnection.h"

struct WServerTarget {
  std::string scheme;  // "http" or "https", any case
  std::string host;    // IPv6 with or without brackets
  uint16_t port = 0;
  // TLS certificate checks off for this one connection (see WTlsOptions).
  bool insecure = false;
  // The socket's receive buffer, set before connecting (see TcpConnectOptions).
  int receiveBufferBytes = 0;
};

class WServerConnection {
 public:
  static constexpr int kError = WTlsConnection::kError;
  static constexpr int kTimedOut = WTlsConnection::kTimedOut;

  WServerConnection() = default;
  ~WServerConnection();
  WServerConnection(const WServerConnection&) = delete;
  WServerConnection& operator=(const WServerConnection&) = delete;

  // Connects, tunnels and shakes hands as the target and `proxy` need,
  // within `timeoutMs` in all. Success, or NetConnectError with failure():
  // BadInput (no host, another scheme), Proxy (an unusable proxy setting, a
  // proxy that cannot be reached or refuses the tunnel), ProxyAuth (407),
  // Dns, Refused, Timeout (also when stopped), Tls, TlsCertificate. Call once.
  ResultCode Open(const WServerTarget& target, const WProxyChoice& proxy, int timeoutMs, const StopCheck& stop = {});
  // The same with the proxy the process-wide settings choose now.
  ResultCode Open(const WServerTarget& target, int timeoutMs, const StopCheck& stop = {});

  // As WTlsConnection::Read / Write / WriteAll, for either kind.
  int Read(char* buffer, size_t size, int timeoutMs);
  int Write(const char* data, size_t size, int timeoutMs);
  ResultCode WriteAll(const char* data, size_t size, int timeoutMs, const StopCheck& stop = {});
  // Read for a large buffer: after the first bytes, whatever else has
  // already arrived is gathered too (TLS hands out one record of at most
  // 16 KiB per read). A close or failure met while gathering shows on the
  // next call.
  long Receive(char* buffer, size_t size, int timeoutMs);
  // Ends TLS properly (waiting at most a quarter second) and closes.
  void Close();

  bool isOpen() const { return fd_ >= 0; }
  bool forwardsThroughProxy() const { return forwards_; }
  // "Basic ..." for plain requests through a proxy that wants it, else empty.
  const std::string& proxyAuthorization() const { return proxyAuthorization_; }
  // "127.0.0.1:3128" when a proxy carries the connection, else empty.
  const std::string& proxyEndpoint() const { return proxyEndpoint_; }
  // The TLS layer for https, else nullptr.
  const WTlsConnection* tls() const { return tls_.get(); }
  bool insecure() const { return tls_ && tls_->insecure(); }
  // The last failure: its cause and message (None and empty while all is well).
  const Failure& failure() const { return failure_; }
  FailureCause cause() const { return failure_.cause; }
  const std::string& errorText() const { return failure_.message; }

 private:
  ResultCode Fail(FailureCause cause, const std::string& why);
  int ConnectTo(const std::string& host, uint16_t port, const WServerTarget& target, const WDeadline& deadline,
                const StopCheck& stop, Failure& failure);
  ResultCode ConnectSocket(const WServerTarget& target, const WProxyChoice& proxy, const WDeadline& deadline,
                           const StopCheck& stop);
  int ReadPlain(char* buffer, size_t size, int timeoutMs);
  int WritePlain(const char* data, size_t size, int timeoutMs);

  int fd_ = -1;
  std::unique_ptr<WTlsConnection> tls_;
  bool forwards_ = false;
  std::string proxyAuthorization_;
  std::string proxyEndpoint_;
  Failure failure_;
};

#endif
