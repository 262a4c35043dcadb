// Edits: the text they write, the cursors they leave, and an index that
// still matches the text (checked by re-parsing).
#include "xml/CXmlDocument.h"

#include <gtest/gtest.h>

#include "tests/xml/XmlTestSupport.h"
#include "xml/XmlElementIndex.h"

namespace {

// The edited document's index must equal a fresh parse of its text.
void ExpectIndexMatchesText(const CXmlDocument& doc) {
  EXPECT_EQ(CheckIndex(doc), "");
  CXmlDocument fresh(doc.GetDoc());
  EXPECT_EQ(DumpTree(doc), DumpTree(fresh)) << N(doc.GetDoc());
}

TEST(XmlEditing, AddChildTurnsEmptyElementIntoContainer) {
  CXmlDocument doc(u"<p/>");
  doc.FindElem();
  ASSERT_TRUE(doc.AddChildElem(u"n"));
  EXPECT_EQ(doc.GetDoc(), u"<p>\r\n<n/>\r\n</p>");
  ASSERT_TRUE(doc.AddChildElem(u"n"));
  EXPECT_EQ(doc.GetDoc(), u"<p>\r\n<n/>\r\n<n/>\r\n</p>");
  EXPECT_EQ(doc.GetChildTagName(), u"n");
  ExpectIndexMatchesText(doc);
  EXPECT_TRUE(doc.IsWellFormed());
}

TEST(XmlEditing, AddChildClosesAnUnendedParent) {
  CXmlDocument doc(u"<r><p><q/></r>");
  doc.FindElem();
  doc.IntoElem();
  ASSERT_TRUE(doc.FindElem(u"p"));
  ASSERT_TRUE(doc.AddChildElem(u"n"));
  EXPECT_EQ(doc.GetDoc(), u"<r><p>\r\n<n/>\r\n</p><q/></r>");
  EXPECT_FALSE(XmlElementIndex::Has(doc.Index()[doc.MainPos()], kEntryUnended));
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditing, AddAndInsertPlaceElementsAroundTheReference) {
  CXmlDocument doc(u"<r>\r\n<a/>\r\n<b/>\r\n</r>");
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"a");
  ASSERT_TRUE(doc.AddElem(u"x"));
  EXPECT_EQ(doc.GetDoc(), u"<r>\r\n<a/>\r\n<x/>\r\n<b/>\r\n</r>");
  ASSERT_TRUE(doc.InsertElem(u"y"));
  EXPECT_EQ(doc.GetDoc(), u"<r>\r\n<a/>\r\n<y/>\r\n<x/>\r\n<b/>\r\n</r>");
  doc.ResetMainPos();
  ASSERT_TRUE(doc.InsertElem(u"f"));
  ASSERT_TRUE(doc.FindElem(u"a"));
  doc.ResetMainPos();
  ASSERT_TRUE(doc.AddElem(u"l"));
  EXPECT_EQ(doc.GetDoc(), u"<r>\r\n<f/>\r\n<a/>\r\n<y/>\r\n<x/>\r\n<b/>\r\n<l/>\r\n</r>");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditing, EmptyContentAndDocumentLevelAdds) {
  CXmlDocument doc(u"<p></p>");
  doc.FindElem();
  ASSERT_TRUE(doc.InsertChildElem(u"n"));
  EXPECT_EQ(doc.GetDoc(), u"<p>\r\n<n/>\r\n</p>");
  CXmlDocument empty;
  ASSERT_TRUE(empty.AddElem(u"root"));
  EXPECT_EQ(empty.GetDoc(), u"<root/>\r\n");
  ASSERT_TRUE(empty.AddChildElem(u"c"));
  ASSERT_TRUE(empty.SetChildAttrib(u"k", 5));
  EXPECT_EQ(empty.GetDoc(), u"<root>\r\n<c k=\"5\"/>\r\n</root>\r\n");
  EXPECT_TRUE(empty.IsWellFormed());
  ExpectIndexMatchesText(empty);
  CXmlDocument lead(u"  <r/>");
  ASSERT_TRUE(lead.InsertElem(u"a"));
  EXPECT_EQ(lead.GetDoc(), u"  <a/>\r\n<r/>");
}

TEST(XmlEditing, ChildAddsNeedAMainElementAndNamesMustFormATag) {
  CXmlDocument doc(u"<r/>");
  EXPECT_FALSE(doc.AddChildElem(u"a"));
  EXPECT_FALSE(doc.InsertChildElem(u"a"));
  doc.FindElem();
  for (const char16_t* bad : {u"", u"1a", u"a b", u"a>", u"a/b", u"<a"}) EXPECT_FALSE(doc.AddChildElem(bad));
  EXPECT_EQ(doc.GetDoc(), u"<r/>");
  EXPECT_FALSE(doc.SetAttrib(u"", u"v"));
  EXPECT_FALSE(doc.SetAttrib(u"a=b", u"v"));
  EXPECT_EQ(doc.GetDoc(), u"<r/>");
}

TEST(XmlEditing, RemoveLandsOnThePreviousSibling) {
  CXmlDocument doc(u"<r>\r\n<a/>\r\n<b><c/></b>\r\n<d/>\r\n</r>");
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"b");
  ASSERT_TRUE(doc.RemoveElem());
  EXPECT_EQ(doc.GetTagName(), u"a");
  EXPECT_EQ(doc.GetDoc(), u"<r>\r\n<a/>\r\n<d/>\r\n</r>");
  ASSERT_TRUE(doc.RemoveElem());
  EXPECT_EQ(doc.MainPos(), 0);
  EXPECT_EQ(doc.NodeType(), 0);
  EXPECT_FALSE(doc.RemoveElem());
  ExpectIndexMatchesText(doc);
  EXPECT_TRUE(XmlElementIndex::Has(doc.Index()[4], kEntryDeleted));  // c went with b
  EXPECT_EQ(doc.Index().nextFree(), 6);  // removed indexes are not reused
}

TEST(XmlEditing, RemoveChildKeepsTheMainElement) {
  CXmlDocument doc(u"<r><a/><b/></r>");
  EXPECT_FALSE(doc.RemoveChildElem());
  doc.FindChildElem(u"b");
  ASSERT_TRUE(doc.RemoveChildElem());
  EXPECT_EQ(doc.GetChildTagName(), u"a");
  ASSERT_TRUE(doc.RemoveChildElem());
  EXPECT_EQ(doc.ChildPos(), 0);
  EXPECT_EQ(doc.NodeType(), 1);
  EXPECT_EQ(doc.GetDoc(), u"<r></r>");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditing, SetAttribEscapesAndReplacesInPlace) {
  CXmlDocument doc(u"<a x='1' y=2 checked><b/></a>");
  EXPECT_FALSE(doc.SetAttrib(u"v", u"1"));  // no main position
  doc.FindElem();
  ASSERT_TRUE(doc.SetAttrib(u"v", u"a\"b<"));
  EXPECT_EQ(doc.GetDoc(), u"<a x='1' y=2 checked v=\"a&quot;b&lt;\"><b/></a>");
  ASSERT_TRUE(doc.SetAttrib(u"v", u"z"));
  ASSERT_TRUE(doc.SetAttrib(u"x", u"&"));
  ASSERT_TRUE(doc.AddAttrib(u"y", 42));
  EXPECT_EQ(doc.GetDoc(), u"<a x=\"&amp;\" y=\"42\" checked v=\"z\"><b/></a>");
  ASSERT_TRUE(doc.SetAttrib(u"checked", u"on"));
  EXPECT_EQ(doc.GetAttrib(u"checked"), u"on");
  EXPECT_EQ(doc.GetAttrib(u"x"), u"&");
  ExpectIndexMatchesText(doc);
  doc.FindChildElem();
  ASSERT_TRUE(doc.SetChildAttrib(u"k", u"'"));
  EXPECT_EQ(doc.GetChildAttrib(u"k"), u"'");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditing, SetDataReplacesContent) {
  CXmlDocument doc(u"<r><p>old</p><e/><u></r>");
  doc.FindElem();
  EXPECT_FALSE(doc.SetData(u"x"));  // r has child elements
  EXPECT_EQ(doc.GetDoc(), u"<r><p>old</p><e/><u></r>");
  doc.IntoElem();
  doc.FindElem(u"p");
  ASSERT_TRUE(doc.SetData(u"a<b"));
  doc.FindElem(u"e");
  ASSERT_TRUE(doc.SetData(7));
  EXPECT_EQ(doc.GetDoc(), u"<r><p>a&lt;b</p><e>7</e><u></r>");
  doc.FindElem(u"u");
  ASSERT_TRUE(doc.SetData(u""));
  EXPECT_EQ(doc.GetDoc(), u"<r><p>a&lt;b</p><e>7</e><u></u></r>");
  EXPECT_EQ(doc.GetData(), u"");
  ExpectIndexMatchesText(doc);
  EXPECT_TRUE(CXmlDocument(doc.GetDoc()).IsWellFormed());
  doc.ResetMainPos();
  doc.FindElem(u"p");
  EXPECT_EQ(doc.GetData(), u"a<b");
}

TEST(XmlEditing, SetDataClearsIllData) {
  CXmlDocument doc(u"<r><p>a</x>b</p></r>");
  doc.FindElem();
  doc.FindChildElem();
  ASSERT_TRUE(XmlElementIndex::Has(doc.Index()[doc.ChildPos()], kEntryIllData));
  ASSERT_TRUE(doc.SetChildData(u"ok"));
  EXPECT_FALSE(XmlElementIndex::Has(doc.Index()[doc.ChildPos()], kEntryIllData));
  EXPECT_EQ(doc.GetChildData(), u"ok");
}

TEST(XmlEditing, FailedEditsChangeNothing) {
  CXmlDocument doc(u"<r/>");
  EXPECT_FALSE(doc.SetData(u"x"));
  EXPECT_FALSE(doc.SetChildData(u"x"));
  EXPECT_FALSE(doc.SetChildAttrib(u"a", u"x"));
  EXPECT_FALSE(doc.RemoveElem());
  EXPECT_EQ(doc.GetDoc(), u"<r/>");
}

}  // namespace

namespace {

TEST(XmlEditing, AppendingAtTheEndStaysOutOfAnUnterminatedNode) {
  for (const char16_t* text : {u"<r/><!-- open", u"<r/><a", u"<r/>\r\n<![CDATA[x", u"<!-- only"}) {
    CXmlDocument doc(text);
    ASSERT_TRUE(doc.AddElem(u"n"));
    ExpectIndexMatchesText(doc);
    EXPECT_EQ(doc.GetTagName(), u"n");
  }
  CXmlDocument doc(u"<r/><!-- open");
  doc.AddElem(u"n");
  EXPECT_EQ(doc.GetDoc(), u"<r/><n/>\r\n<!-- open");
}

}  // namespace

namespace {

TEST(XmlEditing, RemovalKeepsBrokenOpenersApartFromTheTextBehind) {
  for (const char16_t* text : {u"<p><<r/>r></p>", u"<p><!<r/>-- x --></p>", u"<p><![<r/>CDATA[ ]]></p>"}) {
    CXmlDocument doc(text);
    doc.FindElem();
    ASSERT_TRUE(doc.FindChildElem(u"r"));
    ASSERT_TRUE(doc.RemoveChildElem());
    ExpectIndexMatchesText(doc);
  }
  CXmlDocument doc(u"<p><<r/>r></p>");
  doc.FindChildElem();
  doc.RemoveChildElem();
  EXPECT_EQ(doc.GetDoc(), u"<p>< r></p>");
}

}  // namespace

namespace {

// The name an end tag was paired with runs to a blank, '/' or '>', and may
// hold '=' or '?'; attribute edits must not write into it.
TEST(XmlEditing, AttributeEditsStayOutOfTheMatchedName) {
  for (const char16_t* text : {u"<r\uFFFDa=?>t</r\uFFFDa=?>", u"<a=b=c>t</a=b=c>", u"<a 'x>"}) {
    CXmlDocument doc(text);
    doc.FindElem();
    doc.SetAttrib(u"b", u"v");
    doc.SetAttrib(u"z", u"\"'");
    ExpectIndexMatchesText(doc);
  }
  CXmlDocument doc(u"<a=b=c>t</a=b=c>");
  doc.FindElem();
  ASSERT_TRUE(doc.SetAttrib(u"b", u"v"));
  EXPECT_EQ(doc.GetDoc(), u"<a=b=c b=\"v\">t</a=b=c>");
}

}  // namespace

namespace {

// Where attribute reading and tag scanning disagree (a stray '=' opens an
// unquoted value that attribute reading splits up), edits keep the tag's
// shape: same end, same empty mark.
TEST(XmlEditing, AttributeEditsKeepTheTagShape) {
  for (const char16_t* text : {u"<p=<?x/>", u"<a =p=v/>", u"<a =k=v>t</a>", u"<a x= />", u"<a x=>t</a>"}) {
    for (const char16_t* name : {u"a", u"p", u"k", u"x"}) {
      CXmlDocument doc(text);
      doc.FindElem();
      ASSERT_TRUE(doc.SetAttrib(name, u"a =\"b\"")) << N(text);
      ExpectIndexMatchesText(doc);
    }
  }
}

}  // namespace

namespace {

TEST(XmlEditing, EmptyTagsEndingInTwoSlashesOpenUpForGood) {
  CXmlDocument doc(u"<r><q//></r>");
  doc.FindElem();
  doc.FindChildElem();
  doc.IntoElem();
  ASSERT_TRUE(doc.AddChildElem(u"n"));
  EXPECT_EQ(doc.GetDoc(), u"<r><q/ >\r\n<n/>\r\n</q></r>");
  ExpectIndexMatchesText(doc);
  CXmlDocument data(u"<q//>");
  data.FindElem();
  ASSERT_TRUE(data.SetData(u"t"));
  EXPECT_EQ(data.GetDoc(), u"<q/ >t</q>");
  EXPECT_EQ(data.GetData(), u"t");
  ExpectIndexMatchesText(data);
}

}  // namespace
