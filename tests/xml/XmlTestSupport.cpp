#include "tests/xml/XmlTestSupport.h"

#include <sstream>
#include <vector>

#include "platform/Utf8Codec.h"
#include "xml/XmlElementIndex.h"

std::u16string U(std::string_view utf8) {
  std::u16string out;
  platform::AppendUtf8AsUtf16(utf8, out);
  return out;
}

std::string N(std::u16string_view text) {
  std::string out;
  platform::AppendUtf16AsUtf8(text, out);
  return out;
}

namespace {

constexpr uint32_t kParseFlags = kEntryUnended;

template <typename Visit>
void Walk(const XmlElementIndex& index, Visit visit) {
  std::vector<std::pair<int32_t, int>> stack;
  for (int32_t c = index[0].firstChild; c != 0; c = index[c].next) stack.emplace_back(c, 0);
  std::vector<std::pair<int32_t, int>> order(stack.rbegin(), stack.rend());
  while (!order.empty()) {
    auto [i, depth] = order.back();
    order.pop_back();
    visit(i, depth);
    std::vector<int32_t> kids;
    for (int32_t c = index[i].firstChild; c != 0; c = index[c].next) kids.push_back(c);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) order.emplace_back(*it, depth + 1);
  }
}

}  // namespace

std::string DumpTree(const CXmlDocument& doc) {
  const XmlElementIndex& index = doc.Index();
  std::ostringstream out;
  out << "doc " << index[0].length << "\n";
  Walk(index, [&](int32_t i, int depth) {
    const XmlElementEntry& e = index[i];
    out << depth << ' ' << e.start << ' ' << e.length << ' ' << index.StartTagLength(i) << ' '
        << index.EndTagLength(i) << ' ' << (e.levelFlags & kParseFlags) << "\n";
  });
  return out.str();
}

std::string CheckIndex(const CXmlDocument& doc) {
  const XmlElementIndex& index = doc.Index();
  const std::u16string& text = doc.GetDoc();
  std::ostringstream err;
  if (index[0].length != text.size()) err << "document length " << index[0].length << " != " << text.size() << "\n";
  std::vector<int32_t> parents{0};
  for (std::size_t k = 0; k < parents.size(); ++k) {
    int32_t p = parents[k];
    int32_t first = index[p].firstChild;
    if (first == 0) continue;
    if (!(index[first].levelFlags & kEntryFirstChild)) err << p << ": first child lacks flag\n";
    int32_t last = 0;
    uint64_t minStart = p == 0 ? 0 : index[p].start + index.StartTagLength(p);
    for (int32_t c = first; c != 0; c = index[c].next) {
      const XmlElementEntry& e = index[c];
      if (e.parent != p) err << c << ": parent " << e.parent << " != " << p << "\n";
      if (c != first && (e.levelFlags & kEntryFirstChild)) err << c << ": stray first-child flag\n";
      if (c != first && e.prev != last) err << c << ": prev " << e.prev << " != " << last << "\n";
      if (e.levelFlags & kEntryDeleted) err << c << ": deleted but linked\n";
      if (e.start < minStart) err << c << ": starts before its predecessor ends\n";
      if (uint64_t(e.start) + e.length > text.size() || text[e.start] != u'<')
        err << c << ": offsets do not frame a tag\n";
      if (p != 0 && uint64_t(e.start) + e.length > uint64_t(index[p].start) + index[p].length)
        err << c << ": runs past its parent\n";
      minStart = uint64_t(e.start) + e.length;
      last = c;
      parents.push_back(c);
    }
    if (index[first].prev != last) err << p << ": first child's prev " << index[first].prev << " != last " << last << "\n";
  }
  return err.str();
}
