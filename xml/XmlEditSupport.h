// Helpers shared by the edits: which names may be written, where blanks
// may be skipped, and the text of numbers.
#ifndef VELMORA_XML_XMLEDITSUPPORT_H
#define VELMORA_XML_XMLEDITSUPPORT_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "xml/XmlCharClass.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlNames.h"

namespace xmledit {

inline bool IsWritableTagName(std::u16string_view name) {
  if (name.empty() || !XmlIs(name[0], kCcNameStart)) return false;
  for (char16_t c : name)
    if (XmlIs(c, kCcTagNameEnd)) return false;
  return true;
}

inline bool IsWritableAttribName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name)
    if (XmlIs(c, kCcTagNameEnd | kCcAttrEnd)) return false;
  return true;
}

// Moves past whitespace that runs up to a '<' or the end of the text.
inline std::size_t SkipLeadingBlank(std::u16string_view text, std::size_t pos) {
  std::size_t i = pos;
  while (i < text.size() && xmlcc::IsSpace(text[i])) ++i;
  return (i == text.size() || text[i] == u'<') ? i : pos;
}

// Edits that would push the text past what 32-bit offsets hold are refused.
inline bool HasRoom(const std::u16string& text, std::size_t added) {
  return added <= XmlElementIndex::kMaxTextUnits - std::min(text.size(), XmlElementIndex::kMaxTextUnits);
}

inline std::u16string Decimal(int value) {
  std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

// The name end tags pair with: up to a blank, '/' or '>'.
inline std::u16string_view BuilderName(std::u16string_view text, uint32_t tagStart) {
  return text.substr(tagStart + 1, XmlBuilderNameEnd(text, tagStart + 1) - tagStart - 1);
}

// When an empty tag ends in "//>", dropping the last '/' would leave the tag
// empty; a blank then stands before the new '>'.
inline bool SlashBefore(std::u16string_view text, std::size_t slash, bool unended) {
  return !unended && slash > 0 && text[slash - 1] == u'/';
}

}  // namespace xmledit

#endif
