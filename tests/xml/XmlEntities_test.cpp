// Entity decoding and escaping.
#include "xml/XmlEntities.h"

#include <gtest/gtest.h>

#include "tests/xml/XmlTestSupport.h"

namespace {

TEST(XmlEntities, DecodesNumericAndNamedReferences) {
  EXPECT_EQ(XmlDecode(u"x &lt; y &amp;&gt;&quot;&apos;"), u"x < y &>\"'");
  EXPECT_EQ(XmlDecode(u"&#65;&#x42;&#X43;"), u"ABC");
  EXPECT_EQ(XmlDecode(u"&#x1F600;"), std::u16string({0xD83D, 0xDE00}));
  EXPECT_EQ(XmlDecode(u"&nbsp;&euro;&diams;"), std::u16string({160, 8364, 9830}));
}

TEST(XmlEntities, MalformedOrUnknownReferencesStayLiteral) {
  for (const char16_t* raw : {u"&#0;", u"&nosuch;", u"& amp;", u"&amp", u"&abcdefghij;", u"&;", u"&#;",
                              u"&#x;", u"&#12a;", u"&#x110000;", u"&#99999999;", u"&am\u00e9;"})
    EXPECT_EQ(XmlDecode(raw), raw) << N(raw);
  // The '&' stays and scanning resumes right after it.
  EXPECT_EQ(XmlDecode(u"&&lt;"), u"&<");
  EXPECT_EQ(XmlDecode(u"a&b c;&gt;"), u"a&b c;>");
  EXPECT_EQ(XmlDecode(u"&thetasym;"), std::u16string(1, char16_t(977)));  // nine-unit limit includes this
}

TEST(XmlEntities, CaseTwinsPickByCase) {
  EXPECT_EQ(XmlEntityCodePoint(u"eacute"), 233u);
  EXPECT_EQ(XmlEntityCodePoint(u"Eacute"), 201u);
  EXPECT_EQ(XmlEntityCodePoint(u"EACUTE"), 201u);
  EXPECT_EQ(XmlEntityCodePoint(u"dagger"), 8224u);
  EXPECT_EQ(XmlEntityCodePoint(u"Dagger"), 8225u);
  EXPECT_EQ(XmlEntityCodePoint(u"rArr"), 8658u);
  EXPECT_EQ(XmlEntityCodePoint(u"rarr"), 8594u);
  EXPECT_EQ(XmlEntityCodePoint(u"eth"), 240u);
  EXPECT_EQ(XmlEntityCodePoint(u"ETH"), 208u);
  EXPECT_EQ(XmlEntityCodePoint(u"yuml"), 255u);
  EXPECT_EQ(XmlEntityCodePoint(u"Yuml"), 376u);
  // Names without a twin match in any case.
  EXPECT_EQ(XmlEntityCodePoint(u"AMP"), 38u);
  EXPECT_EQ(XmlEntityCodePoint(u"Copy"), 169u);
  EXPECT_EQ(XmlEntityCodePoint(u"sigmaf"), 962u);
  EXPECT_EQ(XmlEntityCodePoint(u"nosuch"), 0u);
}

TEST(XmlEntities, EscapesTextAndAttributes) {
  std::u16string t, a;
  XmlAppendEscapedText(u"a&b<c>d\"e'f", t);
  XmlAppendEscapedAttrib(u"a&b<c>d\"e'f", a);
  EXPECT_EQ(t, u"a&amp;b&lt;c&gt;d\"e'f");
  EXPECT_EQ(a, u"a&amp;b&lt;c&gt;d&quot;e&apos;f");
  EXPECT_EQ(XmlDecode(a), u"a&b<c>d\"e'f");
}

}  // namespace
