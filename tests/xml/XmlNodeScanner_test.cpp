// The node scanner on its own: kinds, extents and the empty-element mark.
#include "xml/XmlNodeScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::pair<int, std::u16string>> Nodes(std::u16string_view text) {
  std::vector<std::pair<int, std::u16string>> out;
  XmlNodeScanner scanner(text);
  for (XmlNode n = scanner.Next(); n.kind != kNodeEndOfDocument; n = scanner.Next())
    out.emplace_back(n.kind, std::u16string(text.substr(n.start, n.length)));
  return out;
}

TEST(XmlNodeScanner, ReportsEveryKindWithItsExtent) {
  auto nodes = Nodes(u"<?xml v?>\r\n<!DOCTYPE a [<!ENTITY x '>'>]><a>t <!--c--><![CDATA[d]]></a> ");
  std::vector<std::pair<int, std::u16string>> expected = {
      {kNodeProcessing, u"<?xml v?>"}, {kNodeWhitespace, u"\r\n"},
      {kNodeDoctype, u"<!DOCTYPE a [<!ENTITY x '>'>]>"}, {kNodeStartTag, u"<a>"},
      {kNodeText, u"t "}, {kNodeComment, u"<!--c-->"}, {kNodeCData, u"<![CDATA[d]]>"},
      {kNodeEndTag, u"</a>"}, {kNodeWhitespace, u" "}};
  EXPECT_EQ(nodes, expected);
}

TEST(XmlNodeScanner, MarksEmptyElements) {
  for (auto [text, empty] : {std::pair{u"<a/>", true}, {u"<a x='/'/>", true}, {u"<a x=/>", false},
                             {u"<a x=y/>", false}, {u"<a x=y />", true}, {u"<a/ >", false}}) {
    XmlNodeScanner scanner(text);
    XmlNode n = scanner.Next();
    EXPECT_EQ(n.kind, kNodeStartTag);
    EXPECT_EQ(n.emptyElement, empty) << n.length;
  }
}

TEST(XmlNodeScanner, AlwaysAdvancesOnBrokenInput) {
  std::u16string log;
  const char16_t* broken[] = {u"<", u"<<<<", u"<!", u"<!-", u"<![", u"<!D", u"</", u"<?", u"<a '", u"<a x=\"",
                              u"<!DOCTYPE [<!", u"<!DOCTYPE [<!x", u"<!DOCTYPE [<?", u"<!DOCTYPE [<!--", u"<1<2>"};
  for (const char16_t* text : broken) {
    std::u16string_view view(text);
    XmlNodeScanner scanner(view, 0, &log);
    std::size_t steps = 0, last = 0;
    for (XmlNode n = scanner.Next(); n.kind != kNodeEndOfDocument; n = scanner.Next()) {
      ASSERT_GT(scanner.Pos(), last);
      last = scanner.Pos();
      ASSERT_LT(++steps, 20u);
    }
  }
  EXPECT_FALSE(log.empty());
}

}  // namespace
