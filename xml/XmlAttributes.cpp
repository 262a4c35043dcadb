// Attribute tokens of a start tag. Tokens are quoted values or runs that end
// before whitespace, '/', '=', '>' or '?'; a value after '=' that is not quoted
// runs to whitespace or '>'. Scanning stops at '/', '>' or '?'.
#include "xml/XmlAttributes.h"

#include "xml/XmlCharClass.h"

XmlAttribScanner::XmlAttribScanner(std::u16string_view text, std::size_t tagStart, std::size_t tagEnd)
    : text_(text), pos_(tagStart + 1), end_(tagEnd < text.size() ? tagEnd : text.size()) {
  if (end_ > pos_ && text_[end_ - 1] == u'>') --end_;  // no token takes in the closing bracket
  while (pos_ < end_ && !XmlIs(text_[pos_], kCcAttrEnd)) ++pos_;
  nameEnd_ = pos_;
}

bool XmlAttribScanner::Next(XmlAttrib& out) {
  while (!done_) {
    while (pos_ < end_ && xmlcc::IsSpace(text_[pos_])) ++pos_;
    if (pos_ >= end_ || text_[pos_] == u'/' || text_[pos_] == u'>' || text_[pos_] == u'?') break;
    if (text_[pos_] == u'=') {  // '=' with no name before it: skip it
      ++pos_;
      continue;
    }
    out = XmlAttrib{};
    char16_t q = text_[pos_];
    if (q == u'"' || q == u'\'') {
      std::size_t close = text_.find(q, pos_ + 1);
      if (close == std::u16string_view::npos || close >= end_) close = end_;
      out.nameStart = pos_ + 1;
      out.nameEnd = close;
      pos_ = close < end_ ? close + 1 : end_;
    } else {
      out.nameStart = pos_;
      while (pos_ < end_ && !XmlIs(text_[pos_], kCcAttrEnd)) ++pos_;
      out.nameEnd = pos_;
    }
    out.tokenEnd = pos_;
    std::size_t look = pos_;
    while (look < end_ && xmlcc::IsSpace(text_[look])) ++look;
    if (look < end_ && text_[look] == u'=') ReadValue(look + 1, out);
    return true;
  }
  done_ = true;
  return false;
}

void XmlAttribScanner::ReadValue(std::size_t from, XmlAttrib& out) {
  pos_ = from;
  while (pos_ < end_ && xmlcc::IsSpace(text_[pos_])) ++pos_;
  out.hasValue = true;
  char16_t q = pos_ < end_ ? text_[pos_] : u'>';
  if (q == u'"' || q == u'\'') {
    std::size_t close = text_.find(q, pos_ + 1);
    if (close == std::u16string_view::npos || close >= end_) close = end_;
    out.quoted = true;
    out.valueStart = pos_ + 1;
    out.valueEnd = close;
    pos_ = close < end_ ? close + 1 : end_;
  } else {
    out.valueStart = pos_;
    while (pos_ < end_ && !xmlcc::IsSpace(text_[pos_]) && text_[pos_] != u'>') ++pos_;
    out.valueEnd = pos_;
  }
  out.tokenEnd = pos_;
}
