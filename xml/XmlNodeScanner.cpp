// The node scanner. States follow the first units of a node: '<' then '/'
// (end tag), '?' (processing instruction), "!--" (comment), "![C" (CDATA),
// "!D" (document type), a name start (start tag); anything else is text.
// A syntax error turns the rest of the node into an erroneous node that ends
// after the next '>' or before the next '<'.
#include "xml/XmlNodeScanner.h"

#include "xml/CXmlDocument.h"
#include "xml/XmlCharClass.h"
#include "xml/XmlTextSearch.h"

namespace {

constexpr std::size_t npos = std::u16string_view::npos;

}  // namespace

std::size_t XmlScanStartTag(std::u16string_view text, std::size_t from, bool& emptyElement) {
  return XmlContinueStartTag(text, from + 1, emptyElement);
}

std::size_t XmlContinueStartTag(std::u16string_view text, std::size_t at, bool& emptyElement) {
  const std::size_t n = text.size();
  const char16_t* p = text.data();
  std::size_t i = at;
  for (;;) {
    // Outside values only '>' and '=' matter; quotes here are ordinary text.
    while (i < n && p[i] != u'>' && p[i] != u'=') ++i;
    if (i >= n) return npos;
    if (p[i] == u'>') {
      emptyElement = p[i - 1] == u'/';
      return i + 1;
    }
    ++i;  // after '='
    while (i < n && xmlcc::IsSpace(p[i])) ++i;
    if (i >= n) return npos;
    char16_t c = p[i];
    if (c == u'"' || c == u'\'') {
      std::size_t close = XmlFind(text, c, i + 1);
      if (close == npos) return npos;
      i = close + 1;
    } else if (c != u'>') {
      // Unquoted value: runs to whitespace or '>', and a '/' at its end is its own.
      while (i < n && !xmlcc::IsSpace(p[i]) && p[i] != u'>') ++i;
      if (i >= n) return npos;
      if (p[i] == u'>') {
        emptyElement = false;
        return i + 1;
      }
    }
  }
}

namespace {

class NodeReader {
 public:
  NodeReader(std::u16string_view text, std::u16string* log) : text_(text), log_(log) {}

  XmlNode Read(std::size_t s, std::size_t& next);

 private:
  XmlNode Markup(std::size_t s, std::size_t& next);
  XmlNode Exclamation(std::size_t s, std::size_t& next);
  XmlNode Doctype(std::size_t s, std::size_t& next);
  std::size_t DeclarationEnd(std::size_t from) const;
  XmlNode Until(int kind, const char* type, std::u16string_view close, std::size_t s, std::size_t from,
                std::size_t& next);
  XmlNode Error(const char16_t* name, std::size_t s, std::size_t from, std::size_t& next);
  XmlNode Unterminated(const char* type, std::size_t s, std::size_t& next);
  void Record(std::u16string_view name, std::u16string_view type, std::size_t offset);

  std::u16string_view text_;
  std::u16string* log_;
};

void NodeReader::Record(std::u16string_view name, std::u16string_view type, std::size_t offset) {
  if (!log_) return;
  XmlRecordAttribs a;
  if (!type.empty()) {
    a.textName = u"type";
    a.text = type;
  }
  a.numberName = u"offset";
  a.number = (long long)offset;
  CXmlDocument::AddRecord(*log_, name, a);
}

XmlNode NodeReader::Unterminated(const char* type, std::size_t s, std::size_t& next) {
  std::u16string t(type, type + std::char_traits<char>::length(type));
  Record(u"unterminated_tag_syntax", t, s);
  next = text_.size();
  return {kNodeError, s, text_.size() - s, false, true};
}

XmlNode NodeReader::Error(const char16_t* name, std::size_t s, std::size_t from, std::size_t& next) {
  Record(name, {}, s);
  std::size_t stop = XmlFindEither(text_, u'>', u'<', from);
  if (stop == npos) return Unterminated("tag", s, next);
  next = text_[stop] == u'>' ? stop + 1 : stop;
  return {kNodeError, s, next - s, false};
}

XmlNode NodeReader::Until(int kind, const char* type, std::u16string_view close, std::size_t s,
                          std::size_t from, std::size_t& next) {
  std::size_t end = from > text_.size() ? npos : XmlFindAfter(text_, close, from);
  if (end == npos) return Unterminated(type, s, next);
  next = end;
  return {kind, s, end - s, false};
}

XmlNode NodeReader::Read(std::size_t s, std::size_t& next) {
  const std::size_t n = text_.size();
  if (s >= n) {
    next = n;
    return {kNodeEndOfDocument, n, 0, false};
  }
  if (text_[s] == u'<') return Markup(s, next);
  std::size_t e = XmlFind(text_, u'<', s);
  if (e == npos) e = n;
  bool blank = true;
  for (std::size_t i = s; i < e && blank; ++i) blank = xmlcc::IsSpace(text_[i]);
  next = e;
  return {blank ? kNodeWhitespace : kNodeText, s, e - s, false};
}

XmlNode NodeReader::Markup(std::size_t s, std::size_t& next) {
  if (s + 1 >= text_.size()) return Unterminated("tag", s, next);
  char16_t c = text_[s + 1];
  if (c == u'/') {
    std::size_t gt = XmlFind(text_, u'>', s + 2);
    if (gt == npos) return Unterminated("end_tag", s, next);
    next = gt + 1;
    return {kNodeEndTag, s, next - s, false};
  }
  if (c == u'?') return Until(kNodeProcessing, "processing_instruction", u"?>", s, s + 2, next);
  if (c == u'!') return Exclamation(s, next);
  if (XmlIs(c, kCcNameStart)) {
    bool empty = false;
    std::size_t end = XmlScanStartTag(text_, s, empty);
    if (end == npos) return Unterminated("start_tag", s, next);
    next = end;
    return {kNodeStartTag, s, end - s, empty};
  }
  return Error(u"first_tag_syntax", s, s + 1, next);
}

XmlNode NodeReader::Exclamation(std::size_t s, std::size_t& next) {
  const std::size_t n = text_.size();
  if (s + 2 >= n) return Unterminated("tag", s, next);
  char16_t c = text_[s + 2];
  if (c == u'-') {
    if (s + 3 >= n) return Unterminated("tag", s, next);
    if (text_[s + 3] != u'-') return Error(u"comment_tag_syntax", s, s + 3, next);
    return Until(kNodeComment, "comment", u"-->", s, s + 4, next);
  }
  if (c == u'[') {
    if (s + 3 >= n) return Unterminated("tag", s, next);
    if (text_[s + 3] != u'C') return Error(u"cdata_section_syntax", s, s + 3, next);
    return Until(kNodeCData, "cdata_section", u"]]>", s, s + 4, next);
  }
  if (c == u'D') return Doctype(s, next);
  return Error(u"exclamation_tag_syntax", s, s + 2, next);
}

// A markup declaration ends at the next '>' outside quotes; npos when the
// text ends first.
std::size_t NodeReader::DeclarationEnd(std::size_t from) const {
  for (std::size_t i = from; i < text_.size(); ++i) {
    char16_t c = text_[i];
    if (c == u'>') return i + 1;
    if (c == u'"' || c == u'\'') {
      i = XmlFind(text_, c, i + 1);
      if (i == npos) return npos;
    }
  }
  return npos;
}

// The internal subset's markup declarations, comments and processing
// instructions belong to the document type node; only a '>' outside them
// ends it.
XmlNode NodeReader::Doctype(std::size_t s, std::size_t& next) {
  const std::size_t n = text_.size();
  std::size_t i = s + 3;
  while (i < n) {
    i = XmlFindEither(text_, u'>', u'<', i);
    if (i == npos) break;
    if (text_[i] == u'>') {
      next = i + 1;
      return {kNodeDoctype, s, next - s, false};
    }
    if (i + 1 >= n) break;
    if (text_[i + 1] == u'?') {
      i = XmlFindAfter(text_, u"?>", i + 2);
    } else if (text_[i + 1] != u'!') {
      ++i;
      continue;
    } else if (i + 2 >= n) {
      break;
    } else if (text_[i + 2] == u'-' && i + 3 < n && text_[i + 3] == u'-') {
      i = XmlFindAfter(text_, u"-->", i + 4);
    } else if (text_[i + 2] == u'A' || text_[i + 2] == u'E' || text_[i + 2] == u'N' || text_[i + 2] == u'-') {
      i = DeclarationEnd(i + 2);
    } else {
      return Error(u"doctype_tag_syntax", s, i + 2, next);
    }
    if (i == npos) break;
  }
  return Unterminated("document_type", s, next);
}

}  // namespace

XmlNode XmlNodeScanner::Next() {
  NodeReader reader(text_, log_);
  return reader.Read(pos_, pos_);
}
