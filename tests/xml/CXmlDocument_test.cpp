// Parsing: the element index, the well-formedness verdict and the result log.
#include "xml/CXmlDocument.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/xml/XmlTestSupport.h"
#include "xml/XmlElementIndex.h"

namespace {

const XmlElementEntry& Entry(const CXmlDocument& doc, int32_t i) { return doc.Index()[i]; }

TEST(XmlParse, EmptyAndAbsentTextsHaveOnlyTheDocumentEntry) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(u""));
  EXPECT_EQ(doc.GetResult(), u"");
  EXPECT_EQ(doc.Index().nextFree(), 1);
  EXPECT_EQ(Entry(doc, 0).firstChild, 0);
  EXPECT_FALSE(doc.SetDoc(nullptr));
  EXPECT_EQ(doc.GetDoc(), u"");
  EXPECT_FALSE(doc.FindElem());
}

TEST(XmlParse, WellFormedDocumentIndexesEveryElement) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.SetDoc(u"<?xml version=\"1.0\"?>\n<r a='1'><x>t</x><y/><!-- c --><z><![CDATA[<q>]]></z></r>\n"));
  EXPECT_EQ(doc.GetResult(), u"");
  EXPECT_EQ(doc.Index().nextFree(), 5);
  EXPECT_EQ(CheckIndex(doc), "");
  const XmlElementEntry& r = Entry(doc, 1);
  EXPECT_EQ(r.start, 22u);
  EXPECT_EQ(doc.Index().StartTagLength(1), 9u);
  EXPECT_EQ(doc.Index().EndTagLength(1), 4u);
  EXPECT_EQ(XmlElementIndex::Level(Entry(doc, 4)), 1u);
  EXPECT_TRUE(XmlElementIndex::Has(Entry(doc, 2), kEntryFirstChild));
  EXPECT_EQ(Entry(doc, 2).prev, 4);  // the first child's back link names the last child
}

TEST(XmlParse, TopLevelSiblingsAreIndexedButNotWellFormed) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(u"<a/><b/>"));
  EXPECT_EQ(doc.GetResult(), u"<root_has_sibling/>");
  EXPECT_EQ(Entry(doc, 0).firstChild, 1);
  EXPECT_EQ(Entry(doc, 1).next, 2);
  EXPECT_EQ(Entry(doc, 2).parent, 0);
}

TEST(XmlParse, ElementClosedByOuterEndTagBecomesUnended) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(u"<a><b></a>"));
  EXPECT_EQ(doc.GetResult(), u"<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"7\"/>");
  EXPECT_EQ(Entry(doc, 2).parent, 1);
  EXPECT_TRUE(XmlElementIndex::Has(Entry(doc, 2), kEntryUnended));
  EXPECT_EQ(Entry(doc, 2).length, 3u);
  EXPECT_EQ(Entry(doc, 1).length, 10u);
  EXPECT_TRUE(XmlElementIndex::Has(Entry(doc, 0), kEntryIllFormed));
}

TEST(XmlParse, UnendedElementsHandTheirChildrenToTheirParent) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(u"<r><p><i/><p><j/></r>"));
  // Both p are unended; i, the inner p and j all end up as children of r, in order.
  EXPECT_EQ(CheckIndex(doc), "");
  EXPECT_EQ(DumpTree(doc), "doc 21\n0 0 21 3 4 0\n1 3 3 3 0 1048576\n1 6 4 4 0 0\n1 10 3 3 0 1048576\n1 13 4 4 0 0\n");
  EXPECT_EQ(doc.GetResult(),
            u"<unended_start_tag tagname=\"p\" offset=\"10\" offset2=\"18\"/>"
            u"<unended_start_tag tagname=\"p\" offset=\"3\" offset2=\"18\"/>");
}

TEST(XmlParse, IllDataMovesOutOfUnendedElements) {
  CXmlDocument doc;
  doc.SetDoc(u"<r><p></x></r>");
  EXPECT_TRUE(XmlElementIndex::Has(Entry(doc, 1), kEntryIllData));
  EXPECT_FALSE(XmlElementIndex::Has(Entry(doc, 2), kEntryIllData));
}

TEST(XmlParse, LoneEndTagIsRecordedAndIgnored) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(u"<a></b></a>"));
  EXPECT_EQ(doc.GetResult(), u"<lone_end_tag tagname=\"b\" offset=\"3\"/>");
  EXPECT_EQ(Entry(doc, 1).length, 11u);
  EXPECT_FALSE(XmlElementIndex::Has(Entry(doc, 1), kEntryUnended));
  EXPECT_TRUE(XmlElementIndex::Has(Entry(doc, 1), kEntryIllData));
}

TEST(XmlParse, EndTagNamesMatchStoredNamesByPrefixRule) {
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDoc(u"<a\tx='1'><b=c></b></a  >"));
  EXPECT_FALSE(doc.SetDoc(u"<ab></a></ab>"));
  EXPECT_EQ(doc.GetResult(), u"<lone_end_tag tagname=\"a\" offset=\"4\"/>");
}

TEST(XmlParse, QuotesCountOnlyAsAttributeValues) {
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDoc(u"<a x='>'/>"));
  EXPECT_EQ(Entry(doc, 1).length, 10u);
  EXPECT_TRUE(doc.SetDoc(u"<a b\"c>t</a>"));  // a quote not after '=' is text
  EXPECT_TRUE(doc.SetDoc(u"<a x = \"/\"/>"));
  EXPECT_EQ(doc.Index().nextFree(), 2);
  // A '/' ending an unquoted value does not make the element empty.
  EXPECT_FALSE(doc.SetDoc(u"<a x=y/>"));
  EXPECT_TRUE(XmlElementIndex::Has(Entry(doc, 1), kEntryUnended));
  EXPECT_TRUE(doc.SetDoc(u"<a x=y />"));
}

TEST(XmlParse, SyntaxErrorsAreRecordedWithOffsets) {
  struct Case {
    const char16_t* text;
    const char16_t* log;
  } cases[] = {
      {u"<a", u"<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>"},
      {u"<1/>", u"<first_tag_syntax offset=\"0\"/><no_root_element/>"},
      {u"<r><!x></r>", u"<exclamation_tag_syntax offset=\"3\"/>"},
      {u"<r><!-x></r>", u"<comment_tag_syntax offset=\"3\"/>"},
      {u"<r><![x></r>", u"<cdata_section_syntax offset=\"3\"/>"},
      {u"<!DOCTYPE r [<!Q>]><r/>", u"<doctype_tag_syntax offset=\"0\"/>"},
      {u"<r/><!-- open", u"<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>"},
      {u"<r/></r", u"<unterminated_tag_syntax type=\"end_tag\" offset=\"4\"/>"},
      {u"<r/><?pi", u"<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>"},
      {u"<r/><![CDATA[x", u"<unterminated_tag_syntax type=\"cdata_section\" offset=\"4\"/>"},
      {u"<!DOCTYPE r [", u"<unterminated_tag_syntax type=\"document_type\" offset=\"0\"/><no_root_element/>"},
      {u"<r/><", u"<unterminated_tag_syntax type=\"tag\" offset=\"4\"/>"},
      {u"<r/><1", u"<first_tag_syntax offset=\"4\"/><unterminated_tag_syntax type=\"tag\" offset=\"4\"/>"},
  };
  for (const Case& c : cases) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDoc(c.text)) << N(c.text);
    EXPECT_EQ(N(doc.GetResult()), N(c.log)) << N(c.text);
  }
}

TEST(XmlParse, DoctypeInternalSubsetHidesItsMarkup) {
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDoc(u"<!DOCTYPE r [<!ENTITY e \"<x>\"><!-- > --><?p > ?><!ATTLIST r a CDATA '>'>]><r/>"));
  EXPECT_EQ(doc.Index().nextFree(), 2);
  EXPECT_EQ(doc.GetResult(), u"");
}

TEST(XmlParse, ErroneousNodeStopsBeforeNextTag) {
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(u"<r>< b<c/></r>"));
  EXPECT_EQ(doc.Index().nextFree(), 3);  // c is still found
  EXPECT_EQ(Entry(doc, 2).parent, 1);
}

TEST(XmlParse, ResultLogStopsGrowingAtItsLimit) {
  std::u16string text = u"<r>";
  for (int i = 0; i < 100; ++i) text += u"</zz>";
  text += u"</r>";
  CXmlDocument doc;
  doc.SetDoc(text);
  const std::u16string& log = doc.GetResult();
  EXPECT_GE(log.size(), CXmlDocument::kResultLogLimit);
  EXPECT_LT(log.size(), CXmlDocument::kResultLogLimit + 60);
  EXPECT_EQ(log.substr(log.size() - 2), u"/>");
  EXPECT_EQ(log.find(u"offset=\"3\"") != std::u16string::npos, true);
}

TEST(XmlParse, RecordsCanBeUpdatedInPlace) {
  CXmlDocument doc;
  doc.AddResult(u"read", {.textName = u"encoding", .text = u"", .numberName = u"length", .number = 4});
  doc.AddResult(u"bom");
  doc.AddResult(u"read", {.textName = u"encoding", .text = u"UTF-8"}, XmlRecordMode::Update);
  EXPECT_EQ(doc.GetResult(), u"<read encoding=\"UTF-8\" length=\"4\"/><bom/>");
  doc.AddResult(u"x", {.textName = u"msg", .text = u"a\"<b"});
  const std::u16string& log = doc.GetResult();
  EXPECT_EQ(log.substr(log.find(u"<x")), u"<x msg=\"a&quot;&lt;b\"/>");
}

TEST(XmlParse, KeepResultAppendsParseRecordsAfterExistingOnes) {
  CXmlDocument doc;
  doc.AddResult(u"bom");
  doc.SetDocKeepResult(u"<a/><b/>");
  EXPECT_EQ(doc.GetResult(), u"<bom/><root_has_sibling/>");
}

TEST(XmlParse, LongTagsKeepExactLengths) {
  std::u16string value(5000000, u'v');
  std::u16string text = u"<a x=\"" + value + u"\"><b/></" + std::u16string(2000, u'a') + u"></a>";
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(text));  // the long end tag matches nothing
  EXPECT_EQ(doc.Index().StartTagLength(1), value.size() + 8);
  EXPECT_EQ(CheckIndex(doc), "");
  std::u16string name(1500, u'a');
  EXPECT_TRUE(doc.SetDoc(u"<" + name + u"></" + name + u"\n>"));
  EXPECT_EQ(doc.Index().EndTagLength(1), 1504u);
}

TEST(XmlParse, DeepNestingKeepsLinksExact) {
  const int depth = 70000;
  std::u16string text;
  for (int i = 0; i < depth; ++i) text += u"<d>";
  for (int i = 0; i < depth; ++i) text += u"</d>";
  CXmlDocument doc;
  EXPECT_TRUE(doc.SetDoc(text));
  EXPECT_EQ(XmlElementIndex::Level(Entry(doc, depth)), XmlElementIndex::kMaxLevel);
  EXPECT_EQ(Entry(doc, depth).parent, depth - 1);
  EXPECT_EQ(CheckIndex(doc), "");
}

TEST(XmlParse, ManyUnclosedTagsUnendInLinearTime) {
  std::u16string text = u"<r>";
  for (int i = 0; i < 200000; ++i) text += u"<br>x";
  text += u"</r>";
  CXmlDocument doc;
  EXPECT_FALSE(doc.SetDoc(text));
  EXPECT_EQ(CheckIndex(doc), "");
  EXPECT_EQ(Entry(doc, 200001).parent, 1);
}

}  // namespace

namespace {

// Lone end tags deep inside unclosed tags must not each walk the whole stack.
TEST(XmlParse, LoneEndTagsUnderDeepUnclosedTagsStayLinear) {
  std::u16string text;
  for (int i = 0; i < 60000; ++i) text += u"<a>";
  for (int i = 0; i < 60000; ++i) text += i % 2 ? u"</b>" : u"</a=x>";
  text += u"<c x='1'/></a></a>";
  CXmlDocument doc;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(doc.SetDoc(text));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 5.0);
  EXPECT_EQ(CheckIndex(doc), "");
  EXPECT_EQ(doc.Index()[60001].parent, 60000);
  // "</a>" still pairs with a stored "a=x" through the counted prefixes.
  CXmlDocument prefixed(std::u16string(100, u'x').insert(0, u"<r>") + std::u16string(u"<a=x>") +
                        [] { std::u16string s; for (int i = 0; i < 70; ++i) s += u"<p>"; return s; }() + u"</a></r>");
  EXPECT_EQ(prefixed.Index()[2].length, prefixed.GetDoc().size() - 4 - 103);
}

}  // namespace
