#include "ui/controls/UIAttributes.h"

#include <algorithm>
#include <limits>

namespace ui {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view v) {
  while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
  while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
  return v;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads up to `count` comma-separated integers; a missing part reads as 0.
bool ParseInts(std::u16string_view value, int* out, int count) {
  int parsed = 0;
  while (parsed < count) {
    size_t comma = value.find(u',');
    std::u16string_view part = value.substr(0, comma);
    if (!ParseInt(part, out[parsed])) return false;
    ++parsed;
    if (comma == std::u16string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  for (int i = parsed; i < count; ++i) out[i] = 0;
  return true;
}

}  // namespace

bool ParseBool(std::u16string_view value) {
  value = Trim(value);
  return value == u"true" || value == u"1" || value == u"TRUE" || value == u"True";
}

bool ParseInt(std::u16string_view value, int& out) {
  value = Trim(value);
  bool negative = false;
  if (!value.empty() && (value.front() == u'-' || value.front() == u'+')) {
    negative = value.front() == u'-';
    value.remove_prefix(1);
  }
  // Saturates at the int range instead of overflowing.
  constexpr long long kMax = std::numeric_limits<int>::max();
  long long number = 0;
  size_t digits = 0;
  while (digits < value.size() && value[digits] >= u'0' && value[digits] <= u'9') {
    number = std::min(kMax, number * 10 + (value[digits] - u'0'));
    ++digits;
  }
  if (digits == 0) return false;
  out = static_cast<int>(negative ? -number : number);
  return true;
}

int ParseIntOr(std::u16string_view value, int fallback) {
  int out = fallback;
  return ParseInt(value, out) ? out : fallback;
}

bool ParseColor(std::u16string_view value, std::uint32_t& argb) {
  value = Trim(value);
  if (value.starts_with(u"#"))
    value.remove_prefix(1);
  else if (value.starts_with(u"0x") || value.starts_with(u"0X"))
    value.remove_prefix(2);
  else
    return false;
  if (value.size() != 6 && value.size() != 8) return false;
  std::uint32_t color = 0;
  for (char16_t c : value) {
    int digit = HexDigit(c);
    if (digit < 0) return false;
    color = (color << 4) | static_cast<std::uint32_t>(digit);
  }
  argb = value.size() == 6 ? (0xFF000000u | color) : color;
  return true;
}

bool ParseRect(std::u16string_view value, RECT& out) {
  int v[4];
  if (!ParseInts(value, v, 4)) return false;
  out = RECT{v[0], v[1], v[2], v[3]};
  return true;
}

bool ParseSize(std::u16string_view value, SIZE& out) {
  int v[2];
  if (!ParseInts(value, v, 2)) return false;
  out = SIZE{v[0], v[1]};
  return true;
}

std::vector<std::pair<std::u16string, std::u16string>> ParseAttributeList(std::u16string_view list) {
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  size_t i = 0;
  while (true) {
    while (i < list.size() && IsBlank(list[i])) ++i;
    if (i >= list.size()) break;
    size_t eq = list.find(u'=', i);
    if (eq == std::u16string_view::npos) break;
    std::u16string_view name = Trim(list.substr(i, eq - i));
    size_t q = eq + 1;
    while (q < list.size() && IsBlank(list[q])) ++q;
    if (q >= list.size() || (list[q] != u'"' && list[q] != u'\'')) break;
    size_t end = list.find(list[q], q + 1);
    if (end == std::u16string_view::npos || name.empty()) break;
    pairs.emplace_back(std::u16string(name), std::u16string(list.substr(q + 1, end - q - 1)));
    i = end + 1;
  }
  return pairs;
}

}  // namespace ui
