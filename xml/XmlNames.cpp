// Name boundaries and name matching. A requested name may carry a path tail
// ("a/b", "a[2]", "a[@k='v']/@x"); only its first name takes part in
// matching, but the whole text must have path syntax or nothing matches.
#include "xml/XmlNames.h"

#include "xml/XmlCharClass.h"

std::size_t XmlTagNameEnd(std::u16string_view text, std::size_t from) {
  while (from < text.size() && !XmlIs(text[from], kCcTagNameEnd)) ++from;
  return from;
}

std::u16string_view XmlTagNameAt(std::u16string_view text, std::size_t tagStart) {
  std::size_t end = XmlTagNameEnd(text, tagStart + 1);
  return text.substr(tagStart + 1, end - tagStart - 1);
}

std::size_t XmlBuilderNameEnd(std::u16string_view text, std::size_t from) {
  while (from < text.size() && !XmlIs(text[from], kCcBuilderNameEnd)) ++from;
  return from;
}

bool XmlNameMatches(std::u16string_view found, std::u16string_view wanted) {
  if (wanted.size() < found.size() || wanted.compare(0, found.size(), found) != 0) return false;
  return wanted.size() == found.size() || XmlIs(wanted[found.size()], kCcNameContinue);
}

namespace {

constexpr std::size_t npos = std::u16string_view::npos;

// A path name: one or more units, none of them a blank, '/', '[', ']', '@',
// '=' or a quote, and not starting with a digit.
std::size_t NameEnd(std::u16string_view p, std::size_t i) {
  std::size_t start = i;
  if (i < p.size() && p[i] >= u'0' && p[i] <= u'9') return npos;
  while (i < p.size()) {
    char16_t c = p[i];
    if (xmlcc::IsSpace(c) || c == u'/' || c == u'[' || c == u']' || c == u'@' || c == u'=' || c == u'"' ||
        c == u'\'')
      break;
    ++i;
  }
  return i == start ? npos : i;
}

// After '[': a number from 1, "@name", "@name=value" or "name", then ']'.
std::size_t PredicateEnd(std::u16string_view p, std::size_t i) {
  if (i >= p.size()) return npos;
  if (p[i] >= u'1' && p[i] <= u'9') {
    while (i < p.size() && p[i] >= u'0' && p[i] <= u'9') ++i;
  } else if (p[i] == u'@') {
    i = NameEnd(p, i + 1);
    if (i != npos && i < p.size() && p[i] == u'=') {
      ++i;
      if (i < p.size() && (p[i] == u'\'' || p[i] == u'"')) {
        std::size_t close = p.find(p[i], i + 1);
        i = close == npos ? npos : close + 1;
      } else {
        i = p.find(u']', i);
      }
    }
  } else {
    i = NameEnd(p, i);
  }
  if (i == npos || i >= p.size() || p[i] != u']') return npos;
  return i + 1;
}

// One segment: a name and its predicates.
std::size_t SegmentEnd(std::u16string_view p, std::size_t i) {
  i = NameEnd(p, i);
  while (i != npos && i < p.size() && p[i] == u'[') i = PredicateEnd(p, i + 1);
  return i;
}

}  // namespace

XmlPathKind XmlClassifyPath(std::u16string_view path) {
  if (path.empty()) return XmlPathKind::Any;
  if (path[0] == u'/') return XmlPathKind::Never;  // absolute and anywhere paths are never found
  std::size_t i = 0;
  for (;;) {
    i = SegmentEnd(path, i);
    if (i == npos) return XmlPathKind::Never;
    if (i == path.size()) return XmlPathKind::Name;
    if (path[i] != u'/') return XmlPathKind::Never;
    ++i;
    if (i < path.size() && path[i] == u'@') {
      i = NameEnd(path, i + 1);
      return i == path.size() ? XmlPathKind::Name : XmlPathKind::Never;
    }
  }
}
