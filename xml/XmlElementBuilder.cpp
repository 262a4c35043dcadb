// The element builder: one pass over the text that gives every start tag an
// index entry and links it into the tree.
//
// Open elements sit on a stack with the length of their name as the builder
// reads it. An end tag closes the innermost open element whose name matches;
// the open elements above it are unended: they keep only their start tag and
// their children move out to follow them as siblings. Unending a run of
// elements splices the child lists first and fixes the parent links once at
// the end, so a deep run of unclosed tags costs linear, not quadratic, time.
//
// The hot loop handles text, start tags and end tags itself and leaves the
// rare node kinds (comments, declarations, errors) to the node scanner.
#include "xml/CXmlDocument.h"

#include <unordered_map>
#include <vector>

#include "xml/XmlCharClass.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlNames.h"
#include "xml/XmlNodeScanner.h"
#include "xml/XmlTextSearch.h"

namespace {

constexpr std::size_t npos = std::u16string_view::npos;

struct OpenElement {
  int32_t index;
  uint32_t nameLength;
  uint32_t start;  // of the start tag, kept here to spare an index lookup per end tag
};

class ElementBuilder {
 public:
  ElementBuilder(std::u16string_view text, XmlElementIndex& index, std::u16string& log)
      : text_(text), index_(index), log_(log) {
    open_.reserve(7);
  }
  int32_t Run();

 private:
  std::size_t StartTag(std::size_t s);
  std::size_t EndTag(std::size_t s);
  std::size_t NameEnd(std::size_t from) const {
    const char16_t* p = text_.data();
    while (from < text_.size() && (p[from] > u'>' || !(XmlCharClass(p[from]) & kCcBuilderNameEnd))) ++from;
    return from;
  }
  void OtherNode(std::size_t& pos);
  void CloseElement(std::size_t s, std::size_t length, std::u16string_view name);
  void AddStartTag(std::size_t s, std::size_t length, bool empty, uint32_t nameLength);
  void Unend(std::size_t from, std::size_t offset2);
  void UnendOne(int32_t e, int32_t parent, uint32_t nameLength, std::size_t offset2);
  bool NameMatches(const OpenElement& open, std::u16string_view name) const;
  std::size_t MatchDepth(std::u16string_view name) {
    std::size_t depth = open_.size();
    return depth > 0 && NameMatches(open_[depth - 1], name) ? depth : SearchDepth(name);
  }
  std::size_t SearchDepth(std::u16string_view name);
  void Push(OpenElement open) {
    open_.push_back(open);
    if (namesCounted_) CountName(open, true);
  }
  void PopTo(std::size_t depth) {
    if (namesCounted_) Uncount(depth);
    open_.resize(depth);
  }
  void Uncount(std::size_t depth);
  void CountName(const OpenElement& open, bool add);
  void MarkIll() {
    index_[0].levelFlags |= kEntryIllFormed;
    index_[parent_].levelFlags |= kEntryIllData;
  }

  std::u16string_view text_;
  XmlElementIndex& index_;
  std::u16string& log_;
  std::vector<OpenElement> open_;
  // Once a miss happens deep in the stack, every name an end tag could pair
  // with is counted here, so a lone end tag costs its own length instead of
  // a walk down the whole stack.
  std::unordered_map<std::u16string_view, uint32_t> openNames_;
  bool namesCounted_ = false;
  int32_t parent_ = 0;
  int32_t first_ = 0;
};

int32_t ElementBuilder::Run() {
  const std::size_t n = text_.size();
  const char16_t* p = text_.data();
  std::size_t pos = 0;
  while (pos < n) {
    if (p[pos] != u'<') {
      pos = XmlFind(text_, u'<', pos);
      if (pos == npos) break;
    }
    char16_t c = pos + 1 < n ? p[pos + 1] : u'\0';
    std::size_t end = npos;
    if (XmlIs(c, kCcNameStart))
      end = StartTag(pos);
    else if (c == u'/')
      end = EndTag(pos);
    if (end != npos)
      pos = end;
    else
      OtherNode(pos);
  }
  Unend(0, n);
  return first_;
}

void ElementBuilder::OtherNode(std::size_t& pos) {
  XmlNodeScanner scanner(text_, pos, &log_);
  XmlNode node = scanner.Next();
  if (node.kind == kNodeError) MarkIll();
  pos = scanner.Pos();
}

// Returns the end of the start tag at `s`, or npos when it is unterminated.
// The name is read on the way: most tags end right after it.
std::size_t ElementBuilder::StartTag(std::size_t s) {
  const char16_t* p = text_.data();
  const std::size_t n = text_.size();
  std::size_t i = s + 1;
  // Units above '>' (letters among them) never end a name: skip them without the table.
  while (i < n && (p[i] > u'>' || !(XmlCharClass(p[i]) & (kCcBuilderNameEnd | kCcTagStop)))) ++i;
  std::size_t nameEnd = i;
  bool empty = false;
  std::size_t end;
  if (i < n && p[i] == u'>') {
    end = i + 1;
  } else {
    if (i < n && p[i] == u'=') nameEnd = NameEnd(i);
    end = XmlContinueStartTag(text_, i, empty);
    if (end == npos) return npos;
  }
  AddStartTag(s, end - s, empty, uint32_t(nameEnd - s - 1));
  return end;
}

void ElementBuilder::AddStartTag(std::size_t s, std::size_t length, bool empty, uint32_t nameLength) {
  int32_t i = index_.Allocate();
  if (i < 0) return;  // index space exhausted: cannot happen below 2^31 units of text
  XmlElementEntry& e = index_[i];
  XmlElementEntry& parent = index_[parent_];
  if (parent.firstChild == 0) {
    parent.firstChild = i;
    e.prev = i;
    e.levelFlags = kEntryFirstChild;
  } else {
    XmlElementEntry& first = index_[parent.firstChild];
    e.prev = first.prev;
    index_[first.prev].next = i;
    first.prev = i;
  }
  e.parent = parent_;
  e.start = uint32_t(s);
  index_.SetStartTagLength(i, uint32_t(length));
  XmlElementIndex::SetLevel(e, uint32_t(open_.size()));
  if (first_ == 0) first_ = i;
  if (empty) {
    e.length = uint32_t(length);
    return;
  }
  Push({i, nameLength, uint32_t(s)});
  parent_ = i;
}

bool ElementBuilder::NameMatches(const OpenElement& open, std::u16string_view name) const {
  if (open.nameLength < name.size()) return false;
  const char16_t* stored = text_.data() + open.start + 1;
  for (std::size_t k = 0; k < name.size(); ++k)  // names are short: a loop beats a memcmp call
    if (stored[k] != name[k]) return false;
  if (open.nameLength == name.size()) return true;
  char16_t c = stored[name.size()];
  return c == u'=' || c == u'[' || c == u']';  // a space or '/' would have ended the stored name
}

// Depth (from 1) of the innermost open element the end tag pairs with, when
// the innermost one does not; 0 when none does.
std::size_t ElementBuilder::SearchDepth(std::u16string_view name) {
  constexpr std::size_t kCountFromDepth = 64;
  std::size_t depth = open_.size();
  if (!namesCounted_ && depth > kCountFromDepth) {
    for (const OpenElement& open : open_) CountName(open, true);
    namesCounted_ = true;
  }
  if (namesCounted_ && !openNames_.contains(name)) return 0;
  while (depth > 0 && !NameMatches(open_[depth - 1], name)) --depth;
  return depth;
}

void ElementBuilder::Uncount(std::size_t depth) {
  for (std::size_t d = depth; d < open_.size(); ++d) CountName(open_[d], false);
}

// An end tag name pairs with a stored name equal to it or followed there by
// '=', '[' or ']': each such prefix is a key.
void ElementBuilder::CountName(const OpenElement& open, bool add) {
  std::u16string_view stored = text_.substr(open.start + 1, open.nameLength);
  auto count = [&](std::u16string_view key) {
    if (add) {
      ++openNames_[key];
    } else if (auto it = openNames_.find(key); it != openNames_.end() && --it->second == 0) {
      openNames_.erase(it);
    }
  };
  count(stored);
  for (std::size_t k = 0; k < stored.size(); ++k)
    if (stored[k] == u'=' || stored[k] == u'[' || stored[k] == u']') count(stored.substr(0, k));
}

// Returns the end of the end tag at `s`, or npos when it is unterminated.
std::size_t ElementBuilder::EndTag(std::size_t s) {
  std::size_t nameEnd = NameEnd(s + 2);
  std::size_t gt = nameEnd < text_.size() && text_[nameEnd] == u'>' ? nameEnd : XmlFind(text_, u'>', nameEnd);
  if (gt == npos) return npos;
  CloseElement(s, gt + 1 - s, text_.substr(s + 2, nameEnd - s - 2));
  return gt + 1;
}

void ElementBuilder::CloseElement(std::size_t s, std::size_t length, std::u16string_view name) {
  std::size_t depth = MatchDepth(name);
  if (depth == 0) {
    CXmlDocument::AddRecord(log_, u"lone_end_tag",
                            {.textName = u"tagname", .text = name, .numberName = u"offset", .number = (long long)s});
    MarkIll();
    return;
  }
  Unend(depth, s + 1);
  int32_t i = open_.back().index;
  XmlElementEntry& e = index_[i];
  index_.SetEndTagLength(i, uint32_t(length));
  e.length = uint32_t(s + length - e.start);
  PopTo(open_.size() - 1);
  parent_ = e.parent;
}

// Unends every open element from depth `from` up, innermost first, and makes
// the moved elements children of the element below them.
void ElementBuilder::Unend(std::size_t from, std::size_t offset2) {
  if (from >= open_.size()) return;
  int32_t target = from == 0 ? 0 : open_[from - 1].index;
  for (std::size_t d = open_.size(); d-- > from;) {
    int32_t parent = d == 0 ? 0 : open_[d - 1].index;
    UnendOne(open_[d].index, parent, open_[d].nameLength, offset2);
  }
  for (int32_t x = index_[open_[from].index].next; x != 0; x = index_[x].next) index_[x].parent = target;
  PopTo(from);
  parent_ = target;
}

void ElementBuilder::UnendOne(int32_t i, int32_t parent, uint32_t nameLength, std::size_t offset2) {
  XmlElementEntry& e = index_[i];
  uint32_t startLength = index_.StartTagLength(i);
  e.length = startLength;
  index_.SetEndTagLength(i, 0);
  e.levelFlags |= kEntryUnended;
  if (e.firstChild != 0) {  // e is its parent's last child: its children follow it
    XmlElementEntry& first = index_[e.firstChild];
    int32_t last = first.prev;
    first.prev = i;
    first.levelFlags &= ~uint32_t(kEntryFirstChild);
    e.next = e.firstChild;
    e.firstChild = 0;
    index_[index_[parent].firstChild].prev = last;
  }
  if (e.levelFlags & kEntryIllData) {
    e.levelFlags &= ~uint32_t(kEntryIllData);
    index_[parent].levelFlags |= kEntryIllData;
  }
  index_[0].levelFlags |= kEntryIllFormed;
  CXmlDocument::AddRecord(log_, u"unended_start_tag",
                          {.textName = u"tagname",
                           .text = text_.substr(e.start + 1, nameLength),
                           .numberName = u"offset",
                           .number = (long long)e.start,
                           .offset2 = (long long)offset2});
}

}  // namespace

bool CXmlDocument::Parse() {
  ResetPos();
  index_->Reset(text_.size() / 64 + 8);
  if (!text_.empty()) {
    ElementBuilder builder(text_, *index_, result_);
    int32_t first = builder.Run();
    index_->ShrinkToFit();
    XmlElementEntry& doc = (*index_)[0];
    doc.length = uint32_t(text_.size());
    if (first == 0) {
      AddResult(u"no_root_element");
    } else {
      doc.firstChild = first;
      if ((*index_)[first].next != 0) AddResult(u"root_has_sibling");
    }
  }
  ResetPos();
  return IsWellFormed();
}
