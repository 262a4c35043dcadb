#include "dl/HttpUrl.h"

#include <cctype>
#include <charconv>

#include "dl/TaskHeaders.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// Bytes a request line cannot carry raw are percent-encoded; existing
// escapes stay as they are.
std::string EncodeTarget(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
        c == '{' || c == '|' || c == '}') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool ParsePort(std::string_view text, uint16_t& port) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool HostIsClean(std::string_view host) {
  for (unsigned char c : host)
    if (c <= 0x20 || c >= 0x7f || c == '@' || c == '/' || c == '\\') return false;
  return !host.empty();
}

}  // namespace

bool ParseHttpUrl(std::string_view url, HttpUrl& out, std::string& error) {
  for (unsigned char c : url)
    if (c < 0x20 || c == 0x7f) return error = "the URL holds control characters", false;
  bool secure = StartsWithNoCase(url, "https://");
  if (!secure && !StartsWithNoCase(url, "http://")) return error = "not an http:// or https:// URL", false;
  url.remove_prefix(secure ? 8 : 7);
  out.scheme = secure ? "https" : "http";
  size_t fragment = url.find('#');
  if (fragment != std::string_view::npos) url = url.substr(0, fragment);
  size_t slash = url.find_first_of("/?");
  std::string_view authority = url.substr(0, slash);
  std::string_view rest = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
  size_t colon = authority.rfind(':');
  out.port = secure ? 443 : 80;
  if (colon != std::string_view::npos) {
    if (!ParsePort(authority.substr(colon + 1), out.port)) return error = "the URL's port is not a number from 1 to 65535", false;
    authority = authority.substr(0, colon);
  }
  if (!HostIsClean(authority)) return error = "the URL names no usable host", false;
  out.host = std::string(authority);
  out.target = rest.empty() ? "/" : rest.front() == '?' ? "/" + EncodeTarget(rest) : EncodeTarget(rest);
  return true;
}

std::string ResolveLocation(std::string_view base, std::string_view location) {
  if (StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://")) return std::string(location);
  size_t scheme = base.find("://");
  size_t authorityEnd = base.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
  std::string_view origin = base.substr(0, authorityEnd);
  if (location.starts_with("//")) return std::string(base.substr(0, scheme + 1)) + std::string(location);
  if (location.starts_with("/")) return std::string(origin) + std::string(location);
  // Relative to the base's directory (query dropped).
  std::string_view path = authorityEnd == std::string_view::npos ? "/" : base.substr(authorityEnd);
  path = path.substr(0, path.find_first_of("?#"));
  path = path.substr(0, path.rfind('/') + 1);
  return std::string(origin) + std::string(path) + std::string(location);
}

std::string BuildGetRequest(const HttpUrl& url, const HeaderList& extra, const ProxyForwarding& proxy) {
  uint16_t defaultPort = url.scheme == "https" ? 443 : 80;
  std::string host = url.host + (url.port == defaultPort ? std::string() : ":" + std::to_string(url.port));
  std::string target = proxy.absoluteTarget ? url.scheme + "://" + host + url.target : url.target;
  // A task's own user agent (the browser's, for a link it handed over)
  // takes the engine's place: servers read only one.
  const std::string* agent = FindTaskHeader(extra, "User-Agent");
  std::string text = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " +
                     (agent ? *agent : std::string(kEngineUserAgent)) + "\r\nAccept: */*\r\nConnection: close\r\n";
  if (!proxy.proxyAuthorization.empty()) text += "Proxy-Authorization: " + proxy.proxyAuthorization + "\r\n";
  for (const auto& header : extra)
    if (&header.second != agent) text += header.first + ": " + header.second + "\r\n";
  return text + "\r\n";
}
