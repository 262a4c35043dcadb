// A GET over the one server connection: its request text, and opening the
// connection (straight or through the proxy the settings choose, TLS for
// https) and sending it, the same way for the engine's task answers, its
// ranges and the scripts' http_get.
#ifndef VELMORA_NET_GETREQUEST_H
#define VELMORA_NET_GETREQUEST_H

#include <memory>
#include <string>

#include "base/FailureCause.h"
#include "net/HeaderList.h"
#include "net/HttpUrl.h"
#include "net/WServerConnection.h"

// Through a proxy that forwards plain requests the request line carries the
// absolute URL and `proxyAuthorization` (when not empty) goes along.
struct ProxyForwarding {
  bool absoluteTarget = false;
  std::string proxyAuthorization;
};

// Sent when the caller's headers name no user agent of their own.
inline constexpr char kEngineUserAgent[] = "Velmora/1.0";

// GET request text; `extra` lines come after the fixed ones, but a
// User-Agent among them takes the place of ours.
std::string BuildGetRequest(const HttpUrl& url, const HeaderList& extra, const ProxyForwarding& proxy = {});

struct GetFailure {
  FailureCause cause = FailureCause::None;
  std::string error;
  bool stopped = false;    // `cancelled` turned true
  bool permanent = false;  // another try cannot mend it (certificate, handshake, proxy setting or credentials)
  bool connected = false;  // the connection stood; sending the request failed
};

// The connection with the request sent, or null with `failure`. An empty
// `cancelled` never stops.
std::unique_ptr<WServerConnection> SendGet(const HttpUrl& url, const HeaderList& headers, int receiveBufferBytes,
                                           int timeoutMs, const StopCheck& cancelled, GetFailure& failure);

#endif
