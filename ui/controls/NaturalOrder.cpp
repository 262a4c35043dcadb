#include "ui/controls/NaturalOrder.h"

#include <charconv>

#include <QChar>

namespace ui {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char32_t Folded(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char32_t(c - u'A' + u'a') : char32_t(c);
  return QChar::toCaseFolded(static_cast<char32_t>(c));
}

// Compares the digit runs starting at a[i] and b[j] by value and moves both
// indexes past them; 0 when the values are equal.
int CompareDigitRuns(std::u16string_view a, size_t& i, std::u16string_view b, size_t& j) {
  while (i < a.size() && a[i] == u'0') ++i;
  while (j < b.size() && b[j] == u'0') ++j;
  const size_t startA = i;
  const size_t startB = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const size_t lengthA = i - startA;
  const size_t lengthB = j - startB;
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  const int c = a.substr(startA, lengthA).compare(b.substr(startB, lengthB));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

int NaturalCompare(std::u16string_view a, std::u16string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      if (const int c = CompareDigitRuns(a, i, b, j)) return c;
      continue;
    }
    const char32_t ca = Folded(a[i]);
    const char32_t cb = Folded(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  const int exact = a.compare(b);
  return exact < 0 ? -1 : exact > 0 ? 1 : 0;
}

bool LeadingNumber(std::u16string_view text, double& out) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  char buffer[64];
  size_t n = 0;
  for (; i < text.size() && n < sizeof buffer; ++i) {
    const char16_t c = text[i];
    const bool part = IsDigit(c) || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E';
    if (!part) break;
    buffer[n++] = static_cast<char>(c);
  }
  // from_chars ignores the locale, unlike strtod under Qt's setlocale.
  const char* begin = buffer;
  if (n > 0 && buffer[0] == '+') ++begin;
  const auto result = std::from_chars(begin, buffer + n, out);
  return result.ec == std::errc() && result.ptr != begin;
}

}  // namespace ui
