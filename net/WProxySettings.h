// WProxySettings: which proxy, if any, carries a request. The environment
// is read as curl reads it: for http URLs http_proxy (HTTP_PROXY is ignored:
// a CGI program gets a client's "Proxy:" header under that name), for https
// URLs https_proxy then HTTPS_PROXY, else all_proxy then ALL_PROXY; no_proxy
// then NO_PROXY exempts hosts (see WNoProxy.h). Lower case wins, and an
// empty value counts as unset. A proxy set by the program (scripts'
// dl_setProxy) replaces the environment's proxies for every scheme;
// no_proxy still applies to it, as it does to curl's --proxy.
//
// A setting that names no usable proxy is an error for the request, never a
// silent direct connection.
#ifndef VELMORA_NET_WPROXYSETTINGS_H
#define VELMORA_NET_WPROXYSETTINGS_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "net/WProxyUrl.h"

struct WProxyEnvironment {
  std::string http;   // http_proxy
  std::string https;  // https_proxy, HTTPS_PROXY
  std::string all;    // all_proxy, ALL_PROXY
  std::string noProxy;
};

// Answers a variable's value or nullptr (getenv by default).
using EnvironmentLookup = std::function<const char*(const char*)>;
WProxyEnvironment ReadProxyEnvironment(const EnvironmentLookup& lookup = {});

struct WProxyChoice {
  bool direct = true;
  WProxyUrl proxy;     // when not direct
  std::string source;  // where it came from: "https_proxy", "dl_setProxy"
  std::string error;   // a setting that cannot be used; the request fails with it
};

// The choice for a request to `scheme` ("http", "https") `host`:`port`.
WProxyChoice ChooseProxy(std::string_view scheme, std::string_view host, uint16_t port, const WProxyEnvironment& env,
                         const std::string& programProxy);

// The process-wide setting. Safe from any thread.
class WProxySettings {
 public:
  // A proxy for every request from now on; empty text goes back to the
  // environment. False with `error` (and nothing changed) for a bad URL.
  static bool SetProgramProxy(const std::string& url, std::string& error);
  static std::string ProgramProxy();
  // Reads the environment now, so a changed variable counts from the next
  // request on.
  static WProxyChoice ChooseFor(std::string_view scheme, std::string_view host, uint16_t port);
  // The same for "scheme://[user@]host[:port]/..."; an error choice for a
  // URL without scheme or host.
  static WProxyChoice ChooseForUrl(std::string_view url);
};

#endif
