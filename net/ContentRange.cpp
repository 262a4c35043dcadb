#include "net/ContentRange.h"

#include "base/AsciiText.h"

std::optional<ContentRange> ParseContentRange(std::string_view value) {
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  if (!value.starts_with("bytes ")) return std::nullopt;
  value.remove_prefix(6);
  size_t slash = value.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view range = value.substr(0, slash), complete = value.substr(slash + 1);
  ContentRange out;
  if (complete != "*" && !ParseDecimal(complete, out.complete)) return std::nullopt;
  if (range == "*") return out.complete >= 0 ? std::optional(out) : std::nullopt;
  size_t dash = range.find('-');
  if (dash == std::string_view::npos || !ParseDecimal(range.substr(0, dash), out.first) ||
      !ParseDecimal(range.substr(dash + 1), out.last) || out.last < out.first)
    return std::nullopt;
  if (out.complete >= 0 && out.last >= out.complete) return std::nullopt;
  return out;
}
