// Field look-ups on a response head. Names compare without regard to ASCII
// case, as HTTP defines them.
#include "net/HttpResponseReader.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string HttpResponseHead::Value(std::string_view name) const { return HeaderValue(fields, name); }

bool HttpResponseHead::Has(std::string_view name) const { return HasHeader(fields, name); }
std::vector<std::string> HttpResponseHead::ListValues(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [fieldName, value] : fields) {
    if (!SameHeaderName(fieldName, name)) continue;
    std::string_view rest = value;
    while (true) {
      size_t comma = rest.find(',');
      std::string_view element = Trimmed(rest.substr(0, comma));
      // Empty list elements ("a, , b") carry nothing and are dropped.
      if (!element.empty()) values.emplace_back(element);
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return values;
}
