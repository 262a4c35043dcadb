#include "base/JsonEscape.h"

#include <cstdio>

std::u16string JsonEscaped(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out.push_back(u'\\');
      out.push_back(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out.append(escape, escape + 6);
    } else {
      out.push_back(c);
    }
  }
  return out;
}
