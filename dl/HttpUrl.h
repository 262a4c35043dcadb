// http:// and https:// URLs as the engine uses them: split into host, port and target,
// relative redirects resolved, and the request text of a file download.
#ifndef VELMORA_DL_HTTPURL_H
#define VELMORA_DL_HTTPURL_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpUrl {
  std::string scheme = "http";  // "http" or "https", lower case
  std::string host;
  uint16_t port = 80;
  std::string target = "/";  // path and query, percent-encoded for the wire
};

// False with `error` for anything but a usable http:// or https:// URL
// (control characters are refused anywhere,
// blanks in the host; in the path, blanks and bytes above ASCII are
// percent-encoded).
bool ParseHttpUrl(std::string_view url, HttpUrl& out, std::string& error);

// `location` from a redirect, made absolute against `base`.
std::string ResolveLocation(std::string_view base, std::string_view location);

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// GET request text. `extra` lines come after the fixed ones. Through a
// proxy that forwards plain requests the request line carries the absolute
// URL and `proxyAuthorization` (when not empty) goes along.
struct ProxyForwarding {
  bool absoluteTarget = false;
  std::string proxyAuthorization;
};
std::string BuildGetRequest(const HttpUrl& url, const HeaderList& extra, const ProxyForwarding& proxy = {});

#endif
