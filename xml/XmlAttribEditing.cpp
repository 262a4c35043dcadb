// Setting attributes: the value of an existing attribute is replaced in
// place, a new one is added after the last; the tag's shape never changes.
#include "xml/CXmlDocument.h"

#include "xml/XmlAttributes.h"
#include "xml/XmlEditSupport.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlEntities.h"
#include "xml/XmlNodeScanner.h"
#include "xml/XmlTreeOps.h"

using namespace xmledit;

namespace {

struct TagEdit {
  std::size_t at = 0;
  std::size_t cut = 0;
  std::u16string replacement;
};

// The edit the attribute rules ask for: replace the value of the named
// attribute, give a bare attribute a value, or add the attribute after the
// last one. End tags were paired with the name up to a blank, '/' or '>',
// which may hold '=' or '?'; nothing is written inside that name.
TagEdit PlanAttribEdit(std::u16string_view text, uint32_t tagStart, uint32_t tagLength, std::u16string_view name,
                       const std::u16string& quoted) {
  const std::size_t nameEnd = XmlBuilderNameEnd(text, tagStart + 1);
  XmlAttribScanner scanner(text, tagStart, tagStart + tagLength);
  XmlAttrib a;
  TagEdit edit;
  edit.at = std::max(scanner.NameEnd(), nameEnd);
  while (scanner.Next(a)) {
    edit.at = std::max(a.tokenEnd, nameEnd);
    if (a.nameStart < nameEnd || !XmlNameMatches(a.Name(text), name)) continue;
    if (a.hasValue) {  // the value token with its quotes
      edit.at = a.quoted ? a.valueStart - 1 : a.valueStart;
      edit.cut = (a.quoted ? a.valueEnd + 1 : a.valueEnd) - edit.at;
      edit.replacement = quoted;
    } else {
      edit.at = a.tokenEnd;
      edit.replacement = u"=" + quoted;
    }
    return edit;
  }
  edit.replacement = u" " + std::u16string(name) + u"=" + quoted;
  return edit;
}

// True when the start tag at `tagStart` still ends at `end` with the same
// empty mark and the same paired name: the element's shape is unchanged.
bool TagShapeHolds(std::u16string_view text, uint32_t tagStart, std::size_t end, bool empty, std::size_t nameLength) {
  bool nowEmpty = false;
  return XmlScanStartTag(text, tagStart, nowEmpty) == end && nowEmpty == empty &&
         XmlBuilderNameEnd(text, tagStart + 1) - tagStart - 1 == nameLength;
}

}  // namespace

// Tags that attribute reading and tag scanning read differently (stray '=',
// quotes inside names) could change shape under the planned edit; each edit
// is checked by scanning the tag again, and an edit that would reshape it
// falls back to a new attribute just before the closing "/>" or ">".
bool CXmlDocument::SetAttribOn(int32_t pos, std::u16string_view name, std::u16string_view value) {
  if (pos == 0 || nodeType_ != 1 || !IsWritableAttribName(name)) return false;
  if (!HasRoom(text_, name.size() + 6 * value.size() + 4)) return false;
  XmlElementIndex& index = *index_;
  const uint32_t tagStart = index[pos].start;
  const uint32_t startLen = index.StartTagLength(pos);
  std::u16string quoted = u"\"";
  XmlAppendEscapedAttrib(value, quoted);
  quoted += u'"';
  bool empty = false;
  XmlScanStartTag(text_, tagStart, empty);
  const std::size_t nameLength = XmlBuilderNameEnd(text_, tagStart + 1) - tagStart - 1;
  TagEdit plans[2] = {PlanAttribEdit(text_, tagStart, startLen, name, quoted),
                      {tagStart + startLen - (empty ? 2 : 1), 0, u" " + std::u16string(name) + u"=" + quoted}};
  for (const TagEdit& edit : plans) {
    const long long delta = (long long)edit.replacement.size() - (long long)edit.cut;
    std::u16string undo = text_.substr(edit.at, edit.cut);
    text_.replace(edit.at, edit.cut, edit.replacement);
    if (TagShapeHolds(text_, tagStart, std::size_t(tagStart + startLen + delta), empty, nameLength)) {
      index.SetStartTagLength(pos, uint32_t(startLen + delta));
      XmlShiftIndex(index, pos, edit.at, delta);
      return true;
    }
    text_.replace(edit.at, edit.replacement.size(), undo);
  }
  return false;
}

bool CXmlDocument::SetAttrib(std::u16string_view name, std::u16string_view value) {
  return SetAttribOn(mainPos_, name, value);
}
bool CXmlDocument::SetAttrib(std::u16string_view name, int value) { return SetAttrib(name, Decimal(value)); }
bool CXmlDocument::AddAttrib(std::u16string_view name, std::u16string_view value) {
  return SetAttribOn(mainPos_, name, value);
}
bool CXmlDocument::AddAttrib(std::u16string_view name, int value) { return AddAttrib(name, Decimal(value)); }
bool CXmlDocument::SetChildAttrib(std::u16string_view name, std::u16string_view value) {
  return SetAttribOn(childPos_, name, value);
}
bool CXmlDocument::SetChildAttrib(std::u16string_view name, int value) {
  return SetChildAttrib(name, Decimal(value));
}
