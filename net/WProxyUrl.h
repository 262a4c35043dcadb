// WProxyUrl: a proxy as people write it in http_proxy and its kin:
// [http://][user[:password]@]host[:port][/]. The user name and password are
// percent-decoded and become a Basic Proxy-Authorization value. Without a
// port the proxy is on 1080, as curl assumes.
#ifndef VELMORA_NET_WPROXYURL_H
#define VELMORA_NET_WPROXYURL_H

#include <cstdint>
#include <string>
#include <string_view>

struct WProxyUrl {
  static constexpr uint16_t kDefaultPort = 1080;

  std::string host;  // IPv6 addresses without brackets
  uint16_t port = kDefaultPort;
  bool hasCredentials = false;
  std::string user;
  std::string password;

  // "host:port" ("[::1]:3128" for IPv6), the proxy's name in messages.
  std::string Endpoint() const;
  // "Basic dXNlcjpwYXNz", or empty without credentials.
  std::string AuthorizationValue() const;
};

// False with `error` in plain words for text that names no usable proxy: a
// scheme other than http, no host, a bad port, a broken %-escape.
bool ParseProxyUrl(std::string_view text, WProxyUrl& out, std::string& error);

// "host:port" for a CONNECT target or a Host field, bracketing IPv6.
std::string HostPortText(const std::string& host, uint16_t port);

#endif
