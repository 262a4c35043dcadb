// Adding and removing elements. Each edit rewrites the text in place, then
// shifts the index by the change, then links any new entry, so the index
// always describes the text.
//
// Names written by edits must form a tag that parses back to the same name
// (non-empty, starting like a tag name, free of delimiters); other names are
// refused, since writing them would leave an index that no longer matches
// the text.
#include "xml/CXmlDocument.h"

#include <algorithm>
#include <string>

#include "xml/XmlEditSupport.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlNodeScanner.h"
#include "xml/XmlTreeOps.h"

using namespace xmledit;

namespace {

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
