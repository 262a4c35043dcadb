// Looks only as far as it must: the XML declaration is the first node or
// nothing, and an HTML charset must appear before </head>. The text is
// scanned node by node, as the parser does, with names compared ignoring
// ASCII case.
#include "xml/XmlEncodingDeclaration.h"

#include <cstddef>

#include "xml/XmlAttributes.h"
#include "xml/XmlNames.h"
#include "xml/XmlNodeScanner.h"

namespace xmlenc {
namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

bool IsBlank(char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r' || c == u' '; }

// The characters that end a tag name, apart from the blanks.
bool IsWordDelimiter(char16_t c) {
  switch (c) {
    case u'!': case u'"': case u'\'': case u'/': case u';':
    case u'<': case u'=': case u'>': case u'?': case u'\\':
      return true;
    default:
      return false;
  }
}

// Splits content values such as "text/html; charset=utf-8" into words; a
// delimiter standing alone is a word of its own.
class WordReader {
 public:
  explicit WordReader(std::u16string_view text) : text_(text) {}
  bool Next(std::u16string_view& word) {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return false;
    size_t start = pos_++;
    if (!IsWordDelimiter(text_[start]))
      while (pos_ < text_.size() && !IsBlank(text_[pos_]) && !IsWordDelimiter(text_[pos_])) ++pos_;
    word = text_.substr(start, pos_ - start);
    return true;
  }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

std::u16string CharsetOfContent(std::u16string_view content) {
  WordReader words(content);
  std::u16string_view word;
  while (words.Next(word)) {
    if (!SameIgnoringCase(word, u"charset")) continue;
    if (!words.Next(word) || word != u"=") return {};
    return words.Next(word) ? std::u16string(word) : std::u16string();
  }
  return {};
}

// Raw value of the named attribute of the tag whose scan starts at `tagStart`
// (the offset just before the tag name); false when it is missing.
bool FindAttrib(std::u16string_view text, size_t tagStart, size_t tagEnd,
                std::u16string_view name, std::u16string_view& value) {
  XmlAttribScanner scanner(text, tagStart, tagEnd);
  XmlAttrib attrib;
  while (scanner.Next(attrib)) {
    if (SameIgnoringCase(attrib.Name(text), name)) {
      value = attrib.RawValue(text);
      return true;
    }
  }
  return false;
}

std::u16string XmlDeclarationEncoding(std::u16string_view text, const XmlNode& node) {
  // Start the attribute scan at the '?' so that "xml" reads as the tag name.
  std::u16string_view value;
  if (!FindAttrib(text, node.start + 1, node.start + node.length, u"encoding", value)) return {};
  return std::u16string(value);
}

bool IsXmlDeclaration(std::u16string_view text, const XmlNode& node) {
  if (node.kind != kNodeProcessing || node.start != 0) return false;
  size_t nameStart = node.start + 2;
  return SameIgnoringCase(text.substr(nameStart, XmlTagNameEnd(text, nameStart) - nameStart), u"xml");
}

// What a <meta> start tag tells: nothing (keep looking), or the final answer.
enum class MetaVerdict { NotContentType, Found };

MetaVerdict ReadMeta(std::u16string_view text, const XmlNode& node, std::u16string& charset) {
  size_t end = node.start + node.length;
  std::u16string_view equiv, content;
  if (!FindAttrib(text, node.start, end, u"http-equiv", equiv) ||
      !SameIgnoringCase(equiv, u"Content-Type") || !FindAttrib(text, node.start, end, u"content", content))
    return MetaVerdict::NotContentType;
  charset = CharsetOfContent(content);
  return MetaVerdict::Found;
}

}  // namespace

std::u16string DeclaredEncoding(std::u16string_view text) {
  XmlNodeScanner scanner(text);
  bool inHtml = false;
  for (;;) {
    XmlNode node = scanner.Next();
    switch (node.kind) {
      case kNodeError:
      case kNodeEndOfDocument:
        return {};
      case kNodeProcessing:
        if (IsXmlDeclaration(text, node)) return XmlDeclarationEncoding(text, node);
        break;
      case kNodeStartTag: {
        std::u16string_view name = XmlTagNameAt(text, node.start);
        if (!inHtml) {
          if (!SameIgnoringCase(name, u"html")) return {};
          inHtml = true;
        } else if (SameIgnoringCase(name, u"meta")) {
          std::u16string charset;
          if (ReadMeta(text, node, charset) == MetaVerdict::Found) return charset;
        }
        break;
      }
      case kNodeEndTag:
        if (inHtml && SameIgnoringCase(XmlTagNameAt(text, node.start + 1), u"head")) return {};
        break;
      default:
        break;
    }
  }
}

}  // namespace xmlenc
