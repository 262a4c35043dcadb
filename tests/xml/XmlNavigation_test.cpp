// Cursors and reads.
#include "xml/CXmlDocument.h"

#include <gtest/gtest.h>

#include "tests/xml/XmlTestSupport.h"

namespace {

TEST(XmlNavigation, FindElemWalksSiblingsAndStopsAtTheLast) {
  CXmlDocument doc(u"<r><a/><b/></r>");
  ASSERT_TRUE(doc.FindElem(u"r"));
  ASSERT_TRUE(doc.IntoElem());
  EXPECT_TRUE(doc.FindElem(u"b"));
  int32_t b = doc.MainPos();
  EXPECT_FALSE(doc.FindElem(u"b"));
  EXPECT_EQ(doc.MainPos(), b);
  EXPECT_EQ(doc.GetTagName(), u"b");
  doc.ResetMainPos();
  EXPECT_TRUE(doc.FindElem());
  EXPECT_EQ(doc.GetTagName(), u"a");
  EXPECT_TRUE(doc.OutElem());
  EXPECT_EQ(doc.GetTagName(), u"r");
  EXPECT_EQ(doc.GetChildTagName(), u"a");
  EXPECT_FALSE(doc.OutElem());
}

TEST(XmlNavigation, PathNamesMatchByFirstNameOnly) {
  CXmlDocument doc(u"<r><a x='1'/><a/></r>");
  doc.FindElem();
  for (const char16_t* name : {u"a/b", u"a[2]", u"a[@x]", u"a[@x='1']", u"a[@x=1]", u"a[b]", u"a/@x", u"a"}) {
    doc.ResetChildPos();
    EXPECT_TRUE(doc.FindChildElem(name)) << N(name);
  }
  for (const char16_t* name : {u"/r", u"//a", u"a b", u"a=b", u"a[0]", u"a[", u"a/", u"a[@x='1]", u"ab", u"A"}) {
    doc.ResetChildPos();
    EXPECT_FALSE(doc.FindChildElem(name)) << N(name);
  }
}

TEST(XmlNavigation, FindChildElemFindsTheMainElementFirst) {
  CXmlDocument doc(u"<r><a/><b/></r>");
  EXPECT_TRUE(doc.FindChildElem(u"b"));
  EXPECT_EQ(doc.GetTagName(), u"r");
  EXPECT_EQ(doc.GetChildTagName(), u"b");
  EXPECT_FALSE(doc.FindChildElem(u"a"));  // only after the current child
  EXPECT_TRUE(doc.IntoElem());
  EXPECT_EQ(doc.GetTagName(), u"b");
  EXPECT_EQ(doc.NodeType(), 1);
  EXPECT_TRUE(doc.IntoElem());
  EXPECT_EQ(doc.MainPos(), 0);
  EXPECT_EQ(doc.NodeType(), 0);
  EXPECT_FALSE(doc.IntoElem());
}

TEST(XmlNavigation, GetDataDecodesTextAndCdata) {
  CXmlDocument doc;
  struct Case {
    const char16_t* text;
    const char16_t* data;
  } cases[] = {
      {u"<a>x &lt; y</a>", u"x < y"},
      {u"<a>1<![CDATA[<2>]]>3</a>", u"1<2>3"},
      {u"<a><b/>t</a>", u""},
      {u"<a/>", u""},
      {u"<a> \r\n<!-- c --> <?p?>x <![CDATA[]]></a>", u"x "},
      {u"<a>  </a>", u"  "},
      {u"<r><a>t</r>", u""},
  };
  for (const Case& c : cases) {
    doc.SetDoc(c.text);
    doc.FindElem();
    EXPECT_EQ(N(doc.GetData()), N(c.data)) << N(c.text);
  }
}

TEST(XmlNavigation, AttributesFollowTheTokenRules) {
  CXmlDocument doc(u"<input a=\"1&amp;2\" b='x' checked c = 3 d=e/f g=\"\"/>");
  EXPECT_EQ(doc.GetAttrib(u"a"), u"");  // no main position yet
  doc.FindElem();
  EXPECT_EQ(doc.GetAttrib(u"a"), u"1&2");
  EXPECT_EQ(doc.GetAttrib(u"b"), u"x");
  EXPECT_EQ(doc.GetAttrib(u"checked"), u"checked");
  EXPECT_EQ(doc.GetAttrib(u"c"), u"3");
  EXPECT_EQ(doc.GetAttrib(u"d"), u"e/f");
  EXPECT_EQ(doc.GetAttrib(u"g"), u"");
  EXPECT_EQ(doc.GetAttrib(u"zz"), u"");
  EXPECT_EQ(doc.GetAttribName(0), u"a");
  EXPECT_EQ(doc.GetAttribName(2), u"checked");
  EXPECT_EQ(doc.GetAttribName(5), u"g");
  EXPECT_EQ(doc.GetAttribName(6), u"");
  EXPECT_EQ(doc.GetAttribName(-1), u"");
}

TEST(XmlNavigation, TagNamesStopAtDelimiters) {
  CXmlDocument doc(u"<a;b x='1'/>");
  doc.FindElem();
  EXPECT_EQ(doc.GetTagName(), u"a");
  doc.SetDoc(u"<\u4e2d\u6587>t</\u4e2d\u6587>");
  EXPECT_TRUE(doc.FindElem(u"\u4e2d\u6587"));
  EXPECT_EQ(doc.GetData(), u"t");
}

}  // namespace
