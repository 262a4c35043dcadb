#include "net/WProxyUrl.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool PercentDecode(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// Drops "scheme://" and answers the scheme ("http" when none was written).
std::string TakeScheme(std::string_view& text) {
  size_t at = text.find("://");
  if (at == std::string_view::npos) return "http";
  std::string scheme = Lower(text.substr(0, at));
  text.remove_prefix(at + 3);
  return scheme;
}

bool SplitCredentials(std::string_view userinfo, WProxyUrl& out) {
  size_t colon = userinfo.find(':');
  out.hasCredentials = true;
  return PercentDecode(userinfo.substr(0, colon), out.user) &&
         (colon == std::string_view::npos || PercentDecode(userinfo.substr(colon + 1), out.password));
}

bool ParsePort(std::string_view text, uint16_t& port) {
  if (text.empty()) return true;
  unsigned value = 0;
  auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

// host[:port] or [v6][:port].
bool SplitHostPort(std::string_view hostport, WProxyUrl& out) {
  std::string_view portText;
  if (!hostport.empty() && hostport.front() == '[') {
    size_t close = hostport.find(']');
    if (close == std::string_view::npos) return false;
    out.host = hostport.substr(1, close - 1);
    std::string_view rest = hostport.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return false;
    if (!rest.empty()) portText = rest.substr(1);
  } else {
    size_t colon = hostport.rfind(':');
    out.host = hostport.substr(0, colon);
    if (colon != std::string_view::npos) portText = hostport.substr(colon + 1);
  }
  if (out.host.empty() || !std::all_of(out.host.begin(), out.host.end(),
                                       [](unsigned char c) { return c > 0x20 && c < 0x7f && c != '@' && c != '/'; }))
    return false;
  return ParsePort(portText, out.port);
}

}  // namespace

std::string HostPortText(const std::string& host, uint16_t port) {
  bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string WProxyUrl::Endpoint() const { return HostPortText(host, port); }

std::string WProxyUrl::AuthorizationValue() const {
  if (!hasCredentials) return {};
  std::string plain = user + ":" + password;
  std::vector<unsigned char> encoded(4 * ((plain.size() + 2) / 3) + 1);
  int length = EVP_EncodeBlock(encoded.data(), reinterpret_cast<const unsigned char*>(plain.data()),
                               static_cast<int>(plain.size()));
  return "Basic " + std::string(reinterpret_cast<const char*>(encoded.data()), static_cast<size_t>(length));
}

bool ParseProxyUrl(std::string_view text, WProxyUrl& out, std::string& error) {
  out = WProxyUrl{};
  std::string_view rest = text;
  std::string scheme = TakeScheme(rest);
  if (scheme != "http") {
    error = "proxies of the kind \"" + scheme + "\" are not supported (only http:// proxies are)";
    return false;
  }
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  size_t at = authority.rfind('@');
  if (at != std::string_view::npos && !SplitCredentials(authority.substr(0, at), out)) {
    error = "the proxy's user name or password has a broken %-escape";
    return false;
  }
  if (!SplitHostPort(at == std::string_view::npos ? authority : authority.substr(at + 1), out)) {
    // The text may hold a password: it stays out of the message.
    error = "the proxy address has no usable host and port";
    return false;
  }
  return true;
}
