#include "base/UrlEncoding.h"

#include <cctype>

std::string UrlEncodePath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size() + path.size() / 2);
  for (size_t i = 0; i < path.size(); ++i) {
    auto byte = static_cast<unsigned char>(path[i]);
    if (byte >= 0x80) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else if (byte == ' ') {
      out += "%20";
    } else if (byte == '%' && i + 2 < path.size() &&
               std::isalnum(static_cast<unsigned char>(path[i + 1])) &&
               std::isalnum(static_cast<unsigned char>(path[i + 2]))) {
      out.append(path, i, 3);  // already encoded: copy the escape whole
      i += 2;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}
