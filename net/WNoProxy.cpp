#include "net/WNoProxy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "platform/Socket.h"

namespace {

struct Address {
  size_t length = 0;  // 4 or 16
  std::array<unsigned char, 16> bytes{};
  int bits() const { return static_cast<int>(length * 8); }
};

std::optional<Address> ParseAddress(std::string_view text) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
  std::vector<unsigned char> parsed = platform::ParseIpAddress(std::string(text));
  if (parsed.empty()) return std::nullopt;
  Address address;
  address.length = parsed.size();
  std::copy(parsed.begin(), parsed.end(), address.bytes.begin());
  return address;
}

bool PrefixEqual(const Address& a, const Address& b, int bits) {
  for (int i = 0; bits > 0; ++i, bits -= 8) {
    int mask = bits >= 8 ? 0xff : (0xff << (8 - bits)) & 0xff;
    if ((a.bytes[i] & mask) != (b.bytes[i] & mask)) return false;
  }
  return true;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// "name" covers "name" and "*.name".
bool NameCovers(std::string_view entry, std::string_view host) {
  if (entry.starts_with("*.")) entry.remove_prefix(1);
  if (!entry.empty() && entry.front() == '.') entry.remove_prefix(1);
  if (!entry.empty() && entry.back() == '.') entry.remove_suffix(1);
  if (entry.empty()) return false;
  if (EqualNoCase(entry, host)) return true;
  return host.size() > entry.size() && host[host.size() - entry.size() - 1] == '.' &&
         EqualNoCase(host.substr(host.size() - entry.size()), entry);
}

bool AddressCovers(std::string_view entry, const Address& host) {
  size_t slash = entry.find('/');
  std::optional<Address> network = ParseAddress(entry.substr(0, slash));
  if (!network || network->length != host.length) return false;
  int bits = network->bits();
  if (slash != std::string_view::npos) {
    std::string_view text = entry.substr(slash + 1);
    auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), bits);
    if (problem != std::errc() || end != text.data() + text.size() || bits < 0 || bits > network->bits()) return false;
  }
  return PrefixEqual(*network, host, bits);
}

// Splits "name:port", "1.2.3.4:port" or "[v6]:port"; a bare IPv6 address
// keeps its colons.
std::string_view TakePort(std::string_view entry, std::optional<uint16_t>& port) {
  size_t colon = entry.rfind(':');
  if (colon == std::string_view::npos) return entry;
  bool bracketed = entry.front() == '[' && colon > 0 && entry[colon - 1] == ']';
  if (!bracketed && entry.find(':') != colon) return entry;
  unsigned value = 0;
  std::string_view text = entry.substr(colon + 1);
  auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || end != text.data() + text.size() || value > 65535) return entry;
  port = static_cast<uint16_t>(value);
  return entry.substr(0, colon);
}

bool EntryCovers(std::string_view entry, std::string_view host, const std::optional<Address>& address, uint16_t port) {
  std::optional<uint16_t> onlyPort;
  entry = TakePort(entry, onlyPort);
  if (onlyPort && *onlyPort != port) return false;
  if (address) return AddressCovers(entry, *address);
  return !ParseAddress(entry.substr(0, entry.find('/'))) && NameCovers(entry, host);
}

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t'; }

}  // namespace

bool NoProxyCovers(std::string_view list, std::string_view host, uint16_t port) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);
  std::optional<Address> address = ParseAddress(host);
  size_t first = list.find_first_not_of(", \t");
  if (first != std::string_view::npos && list[first] == '*' &&
      list.find_first_not_of(", \t", first + 1) == std::string_view::npos)
    return true;
  size_t at = 0;
  while (at < list.size()) {
    while (at < list.size() && IsSeparator(list[at])) ++at;
    size_t end = at;
    while (end < list.size() && !IsSeparator(list[end])) ++end;
    std::string_view entry = list.substr(at, end - at);
    at = end;
    if (!entry.empty() && entry != "*" && EntryCovers(entry, host, address, port)) return true;
  }
  return false;
}
