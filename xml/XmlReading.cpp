// Reads: tag names, text content and attributes, with entities decoded.
#include "xml/CXmlDocument.h"

#include "xml/XmlAttributes.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlEntities.h"
#include "xml/XmlNames.h"
#include "xml/XmlNodeScanner.h"

namespace {

// Text content without '<': decoded whole. Otherwise text nodes are decoded,
// CDATA sections give their inner text, and whitespace runs, comments and
// processing instructions give nothing.
std::u16string ContentText(std::u16string_view content) {
  if (content.find(u'<') == std::u16string_view::npos) return XmlDecode(content);
  std::u16string out;
  XmlNodeScanner scanner(content);
  for (XmlNode node = scanner.Next(); node.kind != kNodeEndOfDocument; node = scanner.Next()) {
    std::u16string_view raw = content.substr(node.start, node.length);
    if (node.kind == kNodeText) {
      XmlAppendDecoded(raw, out);
    } else if (node.kind == kNodeCData) {
      // "<![CDATA[" is nine units; a malformed opener drops only its "<![C".
      std::size_t inner = raw.size() >= 12 && raw.starts_with(u"<![CDATA[") ? 9 : 4;
      out.append(raw.substr(inner, raw.size() - 3 - inner));
    }
  }
  return out;
}

}  // namespace

std::u16string CXmlDocument::GetTagName() const {
  return mainPos_ ? std::u16string(XmlTagNameAt(text_, (*index_)[mainPos_].start)) : std::u16string();
}

std::u16string CXmlDocument::GetChildTagName() const {
  return childPos_ ? std::u16string(XmlTagNameAt(text_, (*index_)[childPos_].start)) : std::u16string();
}

std::u16string CXmlDocument::DataOf(int32_t pos) const {
  if (pos == 0) return {};
  const XmlElementEntry& e = (*index_)[pos];
  uint32_t startLength = index_->StartTagLength(pos);
  if (e.length == startLength || e.firstChild != 0) return {};
  std::size_t from = e.start + startLength;
  std::size_t to = e.start + e.length - index_->EndTagLength(pos);
  return ContentText(std::u16string_view(text_).substr(from, to - from));
}

std::u16string CXmlDocument::GetData() const { return DataOf(mainPos_); }
std::u16string CXmlDocument::GetChildData() const { return DataOf(childPos_); }

std::u16string CXmlDocument::AttribOf(int32_t pos, std::u16string_view name) const {
  if (pos == 0 || nodeType_ != 1) return {};
  const XmlElementEntry& e = (*index_)[pos];
  XmlAttribScanner scanner(text_, e.start, e.start + index_->StartTagLength(pos));
  XmlAttrib a;
  while (scanner.Next(a))
    if (XmlNameMatches(a.Name(text_), name)) return XmlDecode(a.RawValue(text_));
  return {};
}

std::u16string CXmlDocument::GetAttrib(std::u16string_view name) const { return AttribOf(mainPos_, name); }
std::u16string CXmlDocument::GetChildAttrib(std::u16string_view name) const { return AttribOf(childPos_, name); }

std::u16string CXmlDocument::GetAttribName(int n) const {
  if (mainPos_ == 0 || n < 0) return {};
  const XmlElementEntry& e = (*index_)[mainPos_];
  XmlAttribScanner scanner(text_, e.start, e.start + index_->StartTagLength(mainPos_));
  XmlAttrib a;
  for (int i = 0; scanner.Next(a); ++i)
    if (i == n) return std::u16string(a.Name(text_));
  return {};
}
