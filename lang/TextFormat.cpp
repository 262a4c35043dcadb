#include "lang/TextFormat.h"

namespace lang {
namespace {

template <typename Char>
std::basic_string<Char> Fill(std::basic_string_view<Char> pattern,
                             std::initializer_list<std::basic_string_view<Char>> values) {
  std::basic_string<Char> out;
  out.reserve(pattern.size());
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const Char c = pattern[i];
    const bool last = i + 1 == pattern.size();
    if (c != Char('%') || last) {
      out += c;
      continue;
    }
    const Char kind = pattern[i + 1];
    if (kind == Char('%')) {
      out += Char('%');
      ++i;
    } else if ((kind == Char('s') || kind == Char('d')) && next != values.end()) {
      out += *next++;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string PlaceholderSequence(std::string_view text) {
  std::string sequence;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 == text.size()) {
      sequence += '%';
    } else if (text[i + 1] != '%') {
      sequence += text[i + 1];
    }
    ++i;
  }
  return sequence;
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> values) {
  return Fill<char>(pattern, values);
}

std::u16string FormatText(std::u16string_view pattern, std::initializer_list<std::u16string_view> values) {
  return Fill<char16_t>(pattern, values);
}

}  // namespace lang
