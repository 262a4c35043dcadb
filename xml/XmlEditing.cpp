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
#include "xml/XmlNodeScanner.h"
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

namespace {

std::u16string_view BuilderName(std::u16string_view text, uint32_t tagStart) {
  return text.substr(tagStart + 1, XmlBuilderNameEnd(text, tagStart + 1) - tagStart - 1);
}

// When an empty tag ends in "//>", dropping the last '/' would leave the tag
// empty; a blank then stands before the new '>'.
bool SlashBefore(std::u16string_view text, std::size_t slash, bool unended) {
  return !unended && slash > 0 && text[slash - 1] == u'/';
}

// `<p/>` or an unended `<p>` becomes `<p>` CR LF elem `</p>`; returns where
// elem starts.
std::size_t OpenUpParent(std::u16string& text, XmlElementIndex& index, int32_t parent, std::u16string_view elem) {
  XmlElementEntry& p = index[parent];
  const uint32_t startLen = index.StartTagLength(parent);
  const bool unended = XmlElementIndex::Has(p, kEntryUnended);
  std::u16string_view name = BuilderName(text, p.start);
  const std::size_t at = p.start + startLen - (unended ? 1 : 2);
  const std::size_t cut = unended ? 0 : 1;  // the '/' of "/>"
  const bool spaced = SlashBefore(text, at, unended);
  std::u16string insert;
  insert.reserve(elem.size() + name.size() + 6);
  insert.append(spaced ? u" >\r\n" : u">\r\n").append(elem).append(u"</").append(name);
  if (!unended) index.SetStartTagLength(parent, startLen - 1 + spaced);
  index.SetEndTagLength(parent, uint32_t(name.size() + 3));
  p.levelFlags &= ~uint32_t(kEntryUnended);
  text.replace(at, cut, insert);
  XmlShiftIndex(index, parent, at, (long long)insert.size() - (long long)cut);
  return at + 3 + spaced;
}

std::size_t InsertText(std::u16string& text, XmlElementIndex& index, int32_t parent, std::size_t at,
                       std::u16string_view insert) {
  text.insert(at, insert);
  XmlShiftIndex(index, parent, at, (long long)insert.size());
  return at;
}

// The end of the text, or the start of a node the text ends inside (an
// element appended there would be swallowed by it).
std::size_t DocumentEnd(std::u16string_view text, const XmlElementIndex& index) {
  std::size_t from = 0;
  if (int32_t first = index[0].firstChild; first != 0) {
    const XmlElementEntry& last = index[index[first].prev];
    from = last.start + last.length;
  }
  XmlNodeScanner scanner(text, from);
  XmlNode node, tail;
  while ((node = scanner.Next()).kind != kNodeEndOfDocument) tail = node;
  return tail.unterminated ? tail.start : text.size();
}

// Where a new element goes when it does not open up its parent.
std::size_t InsertionPoint(std::u16string_view text, const XmlElementIndex& index, int32_t parent, int32_t ref,
                           bool insert) {
  if (ref != 0) {
    const XmlElementEntry& r = index[ref];
    return insert ? r.start : SkipLeadingBlank(text, r.start + r.length);
  }
  if (parent == 0) return insert ? SkipLeadingBlank(text, 0) : DocumentEnd(text, index);
  const XmlElementEntry& p = index[parent];
  std::size_t at = insert ? p.start + index.StartTagLength(parent) : p.start + p.length - index.EndTagLength(parent);
  return SkipLeadingBlank(text, at);
}

int32_t LinkNewEntry(XmlElementIndex& index, int32_t parent, int32_t ref, bool insert, std::size_t start,
                     uint32_t length) {
  int32_t i = index.Allocate();
  if (i < 0) return 0;  // unreachable below 2^31 entries
  XmlElementEntry& e = index[i];
  e.start = uint32_t(start);
  e.length = length;
  index.SetStartTagLength(i, length);
  XmlElementIndex::SetLevel(e, parent == 0 ? 0 : XmlElementIndex::Level(index[parent]) + 1);
  if (ref != 0)
    insert ? XmlLinkBefore(index, ref, i) : XmlLinkAfter(index, ref, i);
  else
    insert ? XmlLinkFirst(index, parent, i) : XmlLinkLast(index, parent, i);
  return i;
}

}  // namespace

bool CXmlDocument::AddNew(std::u16string_view name, bool child, bool insert) {
  if (child && mainPos_ == 0) return false;
  if (!IsWritableTagName(name) || !HasRoom(text_, 2 * name.size() + 16)) return false;
  XmlElementIndex& index = *index_;
  const int32_t parent = child ? mainPos_ : parentPos_;
  const int32_t ref = child ? childPos_ : mainPos_;
  std::u16string elem;
  elem.reserve(name.size() + 7);
  elem.append(u"\r\n<").append(name).append(u"/>\r\n");
  const std::u16string_view bare = std::u16string_view(elem).substr(2);  // without the leading CR LF
  const XmlElementEntry& p = index[parent];
  const uint32_t pStartLen = index.StartTagLength(parent);
  std::size_t start;
  if (ref == 0 && parent != 0 && p.length == pStartLen)
    start = OpenUpParent(text_, index, parent, bare);
  else if (ref == 0 && parent != 0 && p.length == pStartLen + index.EndTagLength(parent))
    start = InsertText(text_, index, parent, p.start + pStartLen, elem) + 2;  // `<p></p>`
  else
    start = InsertText(text_, index, parent, InsertionPoint(text_, index, parent, ref, insert), bare);
  int32_t i = LinkNewEntry(index, parent, ref, insert, start, uint32_t(name.size() + 3));
  if (child) {
    childPos_ = i;
  } else {
    parentPos_ = parent;
    mainPos_ = i;
    childPos_ = 0;
  }
  nodeType_ = i ? 1 : 0;
  return i != 0;
}

bool CXmlDocument::AddElem(std::u16string_view name) { return AddNew(name, false, false); }
bool CXmlDocument::InsertElem(std::u16string_view name) { return AddNew(name, false, true); }
bool CXmlDocument::AddChildElem(std::u16string_view name) { return AddNew(name, true, false); }
bool CXmlDocument::InsertChildElem(std::u16string_view name) { return AddNew(name, true, true); }

namespace {

// True when the node before `at` is a broken opener that ended only because
// a '<' followed it: "<", "<!", "<!-" or "<![". Nothing else before an
// element can end in those units.
bool EndsWithBrokenOpener(std::u16string_view text, std::size_t at) {
  std::u16string_view head = text.substr(0, at);
  return head.ends_with(u"<") || head.ends_with(u"<!") || head.ends_with(u"<!-") || head.ends_with(u"<![");
}

// Cuts the element (and whitespace after it that runs to a '<' or the end)
// and returns its previous sibling.
int32_t RemoveFrom(std::u16string& text, XmlElementIndex& index, int32_t x) {
  const XmlElementEntry& e = index[x];
  std::size_t from = e.start;
  std::size_t to = SkipLeadingBlank(text, e.start + e.length);
  int32_t parent = e.parent;
  int32_t prev = XmlPrevSibling(index, x);
  // A blank keeps a broken "<" (or "<!", "<!-", "<![") in front from
  // joining the text behind into a new tag.
  std::u16string_view keep = to < text.size() && text[to] != u'<' && EndsWithBrokenOpener(text, from) ? u" " : u"";
  text.replace(from, to - from, keep);
  XmlUnlink(index, x);
  XmlShiftIndex(index, parent, from, (long long)keep.size() - (long long)(to - from));
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
    const bool spaced = SlashBefore(text_, at, unended);
    content = (unended ? u"" : spaced ? u" >" : u">") + content + u"</" + std::u16string(name) + u">";
    if (!unended) index.SetStartTagLength(pos, startLen - 1 + spaced);
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
