// HttpUrl: an http:// or https:// URL as the clients use it, split into
// host, port and request target, and a redirect's Location made absolute
// against it (RFC 3986, through UrlResolve).
#ifndef VELMORA_NET_HTTPURL_H
#define VELMORA_NET_HTTPURL_H

#include <cstdint>
#include <string>
#include <string_view>

#include "base/FailureCause.h"

struct HttpUrl {
  std::string scheme = "http";  // "http" or "https", lower case
  std::string host;             // an IPv6 address without its brackets
  uint16_t port = 80;
  std::string target = "/";     // path and query, percent-encoded for the wire

  bool defaultPort() const { return port == (scheme == "https" ? 443 : 80); }
  // The host as a URL and the Host field write it ("[::1]" for IPv6),
  // with ":port" when the port is not the scheme's own.
  std::string Authority() const;
};

// False with `error` for anything but a usable http:// or https:// URL:
// control characters anywhere, user name or password before the host
// (they would be sent nowhere, and a URL shown with them leaks them), a
// host with blanks or other bytes a name cannot hold, an IPv6 literal that
// is not one, a port that is not 1..65535. In the path, blanks and bytes
// above ASCII are percent-encoded; a fragment is dropped.
bool ParseHttpUrl(std::string_view url, HttpUrl& out, std::string& error);

// A redirect's Location made absolute against the URL that answered; false
// with `failure` (cause Redirect, the message naming the Location) when the
// Location is empty or leads to a scheme other than http or https.
bool ResolveRedirect(std::string_view base, std::string_view location, std::string& out, Failure& failure);

#endif
