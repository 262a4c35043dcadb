#include "net/HttpUrl.h"

#include <cctype>
#include <charconv>

#include "base/AsciiText.h"
#include "net/UrlResolve.h"

namespace {

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
    if (c <= 0x20 || c >= 0x7f || c == '@' || c == '/' || c == '\\' || c == '[' || c == ']' || c == ':') return false;
  return !host.empty();
}

// Hex digits, colons and the dots of an embedded IPv4 tail; a zone ("%eth0")
// names an interface of this machine and has no place in a URL we fetch.
bool Ipv6IsClean(std::string_view host) {
  if (host.find(':') == std::string_view::npos) return false;
  for (unsigned char c : host)
    if (!std::isxdigit(c) && c != ':' && c != '.') return false;
  return true;
}

// Splits "host", "host:port", "[v6]" or "[v6]:port"; the port stays as it was when none is written.
bool SplitAuthority(std::string_view authority, HttpUrl& out, std::string& error) {
  std::string_view host = authority, port;
  bool bracketed = authority.starts_with("[");
  if (bracketed) {
    size_t close = authority.find(']');
    if (close == std::string_view::npos) return error = "the URL's IPv6 address has no closing ']'", false;
    host = authority.substr(1, close - 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != ':') return error = "the URL has text after its IPv6 address", false;
    if (!after.empty()) port = after.substr(1), authority = after;
  } else if (size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  bool hasPort = bracketed ? authority.starts_with(":") : authority.find(':') != std::string_view::npos;
  if (hasPort && !ParsePort(port, out.port)) return error = "the URL's port is not a number from 1 to 65535", false;
  if (bracketed ? !Ipv6IsClean(host) : !HostIsClean(host)) return error = "the URL names no usable host", false;
  out.host = std::string(host);
  return true;
}

}  // namespace

std::string HttpUrl::Authority() const {
  std::string text = host.find(':') == std::string::npos ? host : "[" + host + "]";
  return defaultPort() ? text : text + ":" + std::to_string(port);
}

bool ParseHttpUrl(std::string_view url, HttpUrl& out, std::string& error) {
  for (unsigned char c : url)
    if (c < 0x20 || c == 0x7f) return error = "the URL holds control characters", false;
  bool secure = StartsWithNoCase(url, "https://");
  if (!secure && !StartsWithNoCase(url, "http://")) return error = "not an http:// or https:// URL", false;
  url.remove_prefix(secure ? 8 : 7);
  HttpUrl parsed;
  parsed.scheme = secure ? "https" : "http";
  parsed.port = secure ? 443 : 80;
  url = url.substr(0, url.find('#'));
  size_t slash = url.find_first_of("/?");
  std::string_view authority = url.substr(0, slash);
  std::string_view rest = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
  if (authority.find('@') != std::string_view::npos)
    return error = "the URL carries a user name or password before its host, which is never sent: leave it out",
           false;
  if (!SplitAuthority(authority, parsed, error)) return false;
  parsed.target = rest.empty() ? "/" : rest.front() == '?' ? "/" + EncodeTarget(rest) : EncodeTarget(rest);
  out = std::move(parsed);
  return true;
}

bool ResolveRedirect(std::string_view base, std::string_view location, std::string& out, Failure& failure) {
  if (location.empty()) {
    failure = {FailureCause::Redirect, "the server redirected to an empty Location"};
    return false;
  }
  std::string resolved = ResolveUrl(base, location);
  if (!StartsWithNoCase(resolved, "http:") && !StartsWithNoCase(resolved, "https:")) {
    failure = {FailureCause::Redirect,
               "the server redirected to \"" + std::string(location) + "\", which is not an http:// or https:// URL"};
    return false;
  }
  out = std::move(resolved);
  return true;
}
