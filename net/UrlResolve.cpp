#include "net/UrlResolve.h"

#include <cctype>
#include <vector>

namespace {

struct Parts {
  std::string_view scheme;     // without ':'
  std::string_view authority;  // without "//"
  bool hasAuthority = false;
  std::string_view path;
  std::string_view query;  // with '?', empty when none
};

std::string_view WithoutFragment(std::string_view text) { return text.substr(0, text.find('#')); }

// A scheme is a letter, then letters, digits, '+', '-', '.', then ':'.
size_t SchemeLength(std::string_view text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  for (size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == ':') return i;
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

Parts Split(std::string_view url) {
  Parts parts;
  size_t scheme = SchemeLength(url);
  if (scheme > 0) {
    parts.scheme = url.substr(0, scheme);
    url.remove_prefix(scheme + 1);
  }
  if (url.substr(0, 2) == "//") {
    url.remove_prefix(2);
    size_t end = url.find_first_of("/?");
    parts.authority = url.substr(0, end);
    parts.hasAuthority = true;
    url.remove_prefix(end == std::string_view::npos ? url.size() : end);
  }
  size_t query = url.find('?');
  parts.path = url.substr(0, query);
  if (query != std::string_view::npos) parts.query = url.substr(query);
  return parts;
}

std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  const bool absolute = !path.empty() && path[0] == '/';
  if (absolute) path.remove_prefix(1);
  bool trailingSlash = false;
  while (true) {
    size_t slash = path.find('/');
    std::string_view segment = path.substr(0, slash);
    bool last = slash == std::string_view::npos;
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
      trailingSlash = true;
    } else if (segment == ".") {
      trailingSlash = true;
    } else {
      kept.push_back(segment);
      trailingSlash = false;
    }
    if (last) break;
    path.remove_prefix(slash + 1);
  }
  std::string out = absolute ? "/" : "";
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out += '/';
    out += kept[i];
  }
  if (trailingSlash && !kept.empty() && !kept.back().empty()) out += '/';
  return out;
}

std::string Join(const Parts& parts, const std::string& path, std::string_view query) {
  std::string out(parts.scheme);
  out += ':';
  if (parts.hasAuthority) out.append("//").append(parts.authority);
  out += path;
  out += query;
  return out;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference) {
  base = WithoutFragment(base);
  reference = WithoutFragment(reference);
  if (SchemeLength(reference) > 0) return std::string(reference);
  const Parts from = Split(base);
  if (reference.substr(0, 2) == "//") return std::string(from.scheme) + ":" + std::string(reference);
  const Parts to = Split(reference);
  if (to.path.empty()) return Join(from, std::string(from.path), to.query.empty() ? from.query : to.query);
  if (to.path[0] == '/') return Join(from, RemoveDotSegments(to.path), to.query);
  // Merge: the reference replaces the base path's last segment.
  std::string merged;
  if (from.hasAuthority && from.path.empty()) {
    merged = "/";
  } else {
    size_t slash = from.path.rfind('/');
    if (slash != std::string_view::npos) merged = std::string(from.path.substr(0, slash + 1));
  }
  merged += to.path;
  return Join(from, RemoveDotSegments(merged), to.query);
}
