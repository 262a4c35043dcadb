// Edits. Each one rewrites the text in place, then shifts the index by the
// change, then links any new entry, so the index always describes the text.
//
// Names written by edits must form a tag that parses back to the same name
// (non-empty, starting like a tag name, free of delimiters); other names are
// refused, since writing them would leave an index that no longer matches
// the text.
#include "xml/CXmlDocument.h"

#include <algorithm>
#include <string>

#include "xml/XmlAttributes.h"
#include "xml/XmlCharClass.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlEntities.h"
#include "xml/XmlNames.h"
#include "xml/XmlTreeOps.h"

namespace {

bool IsWritableTagName(std::u16string_view name) {
  if (name.empty() || !XmlIs(name[0], kCcNameStart)) return false;
  for (char16_t c : name)
    if (XmlIs(c, kCcTagNameEnd)) return false;
  return true;
}

bool IsWritableAttribName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name)
    if (XmlIs(c, kCcTagNameEnd | kCcAttrEnd)) return false;
  return true;
}

// Moves past whitespace that runs up to a '<' or the end of the text.
std::size_t SkipLeadingBlank(std::u16string_view text, std::size_t pos) {
  std::size_t i = pos;
  while (i < text.size() && xmlcc::IsSpace(text[i])) ++i;
  return (i == text.size() || text[i] == u'<') ? i : pos;
}

// Edits that would push the text past what 32-bit offsets hold are refused.
bool HasRoom(const std::u16string& text, std::size_t added) {
  return added <= XmlElementIndex::kMaxTextUnits - std::min(text.size(), XmlElementIndex::kMaxTextUnits);
}

std::u16string Decimal(int value) {
  std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

bool CXmlDocument::AddNew(std::u16string_view name, bool child, bool insert) {
  if (child && mainPos_ == 0) return false;
  if (!IsWritableTagName(name) || !HasRoom(text_, 2 * name.size() + 16)) return false;
  XmlElementIndex& index = *index_;
  const int32_t parent = child ? mainPos_ : parentPos_;
  const int32_t ref = child ? childPos_ : mainPos_;
  std::u16string elem = u"<" + std::u16string(name) + u"/>\r\n";
  const uint32_t elemLength = uint32_t(name.size() + 3);
  std::size_t newStart;
  XmlElementEntry& p = index[parent];
  const uint32_t pStartLen = index.StartTagLength(parent);
  const bool pUnended = XmlElementIndex::Has(p, kEntryUnended);
  if (ref == 0 && parent != 0 && p.length == pStartLen) {
    // `<p/>` or an unended `<p>` becomes `<p>` CR LF `<name/>` CR LF `</p>`.
    std::u16string_view pName = std::u16string_view(text_).substr(
        p.start + 1, XmlBuilderNameEnd(text_, p.start + 1) - p.start - 1);
    std::u16string insertText = u">\r\n" + elem + u"</" + std::u16string(pName);
    std::size_t at = p.start + pStartLen - (pUnended ? 1 : 2);
    text_.replace(at, pUnended ? 0 : 1, insertText);
    long long delta = (long long)insertText.size() - (pUnended ? 0 : 1);
    if (!pUnended) index.SetStartTagLength(parent, pStartLen - 1);
    index.SetEndTagLength(parent, uint32_t(pName.size() + 3));
    p.levelFlags &= ~uint32_t(kEntryUnended);
    XmlShiftIndex(index, parent, at, delta);
    newStart = at + 3;
  } else if (ref == 0 && parent != 0 && p.length == pStartLen + index.EndTagLength(parent)) {
    std::size_t at = p.start + pStartLen;
    text_.insert(at, u"\r\n" + elem);
    XmlShiftIndex(index, parent, at, (long long)elem.size() + 2);
    newStart = at + 2;
  } else {
    std::size_t at;
    if (ref != 0)
      at = insert ? index[ref].start : index[ref].start + index[ref].length;
    else if (parent == 0)
      at = insert ? 0 : text_.size();
    else
      at = insert ? p.start + pStartLen : p.start + p.length - index.EndTagLength(parent);
    if (!(ref != 0 && insert) && !(ref == 0 && !insert && parent != 0)) at = SkipLeadingBlank(text_, at);
    text_.insert(at, elem);
    XmlShiftIndex(index, parent, at, (long long)elem.size());
    newStart = at;
  }
  int32_t i = index.Allocate();
  if (i < 0) return false;  // unreachable below 2^31 entries
  XmlElementEntry& e = index[i];
  e.start = uint32_t(newStart);
  e.length = elemLength;
  index.SetStartTagLength(i, elemLength);
  XmlElementIndex::SetLevel(e, parent == 0 ? 0 : XmlElementIndex::Level(index[parent]) + 1);
  if (ref != 0)
    insert ? XmlLinkBefore(index, ref, i) : XmlLinkAfter(index, ref, i);
  else
    insert ? XmlLinkFirst(index, parent, i) : XmlLinkLast(index, parent, i);
  if (child) {
    childPos_ = i;
  } else {
    parentPos_ = parent;
    mainPos_ = i;
    childPos_ = 0;
  }
  nodeType_ = 1;
  return true;
}

bool CXmlDocument::AddElem(std::u16string_view name) { return AddNew(name, false, false); }
bool CXmlDocument::InsertElem(std::u16string_view name) { return AddNew(name, false, true); }
bool CXmlDocument::AddChildElem(std::u16string_view name) { return AddNew(name, true, false); }
bool CXmlDocument::InsertChildElem(std::u16string_view name) { return AddNew(name, true, true); }

namespace {

// Cuts the element (and whitespace after it that runs to a '<' or the end)
// and returns its previous sibling.
int32_t RemoveFrom(std::u16string& text, XmlElementIndex& index, int32_t x) {
  const XmlElementEntry& e = index[x];
  std::size_t from = e.start;
  std::size_t to = SkipLeadingBlank(text, e.start + e.length);
  int32_t parent = e.parent;
  int32_t prev = XmlPrevSibling(index, x);
  text.erase(from, to - from);
  XmlUnlink(index, x);
  XmlShiftIndex(index, parent, from, -(long long)(to - from));
  XmlDeleteSubtree(index, x);
  return prev;
}

}  // namespace

bool CXmlDocument::RemoveElem() {
  if (mainPos_ == 0) return false;
  mainPos_ = RemoveFrom(text_, *index_, mainPos_);
  childPos_ = 0;
  nodeType_ = mainPos_ ? 1 : 0;
  return true;
}

bool CXmlDocument::RemoveChildElem() {
  if (childPos_ == 0) return false;
  childPos_ = RemoveFrom(text_, *index_, childPos_);
  nodeType_ = mainPos_ ? 1 : 0;
  return true;
}

bool CXmlDocument::SetAttribOn(int32_t pos, std::u16string_view name, std::u16string_view value) {
  if (pos == 0 || nodeType_ != 1 || !IsWritableAttribName(name)) return false;
  if (!HasRoom(text_, name.size() + 6 * value.size() + 4)) return false;
  XmlElementIndex& index = *index_;
  const XmlElementEntry& e = index[pos];
  const uint32_t startLen = index.StartTagLength(pos);
  std::u16string quoted = u"\"";
  XmlAppendEscapedAttrib(value, quoted);
  quoted += u'"';
  XmlAttribScanner scanner(text_, e.start, e.start + startLen);
  XmlAttrib a;
  std::size_t at = scanner.NameEnd(), cut = 0;
  std::u16string replacement;
  bool found = false;
  while (!found && scanner.Next(a)) {
    at = a.tokenEnd;
    found = XmlNameMatches(a.Name(text_), name);
  }
  if (found && a.hasValue) {  // replace the value token with its quotes
    at = a.quoted ? a.valueStart - 1 : a.valueStart;
    cut = a.quoted ? a.valueEnd + 1 - at : a.valueEnd - at;
    replacement = quoted;
  } else if (found) {  // a bare attribute gets the value written after its name
    at = a.nameEnd;
    replacement = u"=" + quoted;
  } else {
    replacement = u" " + std::u16string(name) + u"=" + quoted;
  }
  text_.replace(at, cut, replacement);
  long long delta = (long long)replacement.size() - (long long)cut;
  index.SetStartTagLength(pos, uint32_t(startLen + delta));
  XmlShiftIndex(index, pos, at, delta);
  return true;
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

// `<p>old</p>` gets new content; an empty `<p/>` or an unended `<p>` gains
// an end tag so that the content belongs to it.
bool CXmlDocument::SetDataOn(int32_t pos, std::u16string_view value) {
  if (pos == 0) return false;
  XmlElementIndex& index = *index_;
  XmlElementEntry& e = index[pos];
  const uint32_t startLen = index.StartTagLength(pos);
  if (e.firstChild != 0 || !HasRoom(text_, 5 * value.size() + startLen + 3)) return false;
  std::u16string content;
  XmlAppendEscapedText(value, content);
  std::size_t at, cut;
  if (e.length == startLen) {
    const bool unended = XmlElementIndex::Has(e, kEntryUnended);
    std::u16string_view name = std::u16string_view(text_).substr(
        e.start + 1, XmlBuilderNameEnd(text_, e.start + 1) - e.start - 1);
    at = e.start + startLen - (unended ? 0 : 2);
    cut = unended ? 0 : 2;
    content = (unended ? u"" : u">") + content + u"</" + std::u16string(name) + u">";
    if (!unended) index.SetStartTagLength(pos, startLen - 1);
    index.SetEndTagLength(pos, uint32_t(name.size() + 3));
    e.levelFlags &= ~uint32_t(kEntryUnended);
  } else {
    at = e.start + startLen;
    cut = e.length - startLen - index.EndTagLength(pos);
  }
  text_.replace(at, cut, content);
  e.levelFlags &= ~uint32_t(kEntryIllData);
  XmlShiftIndex(index, pos, at, (long long)content.size() - (long long)cut);
  return true;
}

bool CXmlDocument::SetData(std::u16string_view value) { return SetDataOn(mainPos_, value); }
bool CXmlDocument::SetData(int value) { return SetData(Decimal(value)); }
bool CXmlDocument::SetChildData(std::u16string_view value) { return SetDataOn(childPos_, value); }
bool CXmlDocument::SetChildData(int value) { return SetChildData(Decimal(value)); }
