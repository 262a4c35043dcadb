#include "xml/XmlEncodingTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using xmlenc::CodePageFromEncodingName;

// Every entry is reachable: a mistyped length or a name in the wrong bucket
// would hide it (and the entries after it) from lookups.
TEST(XmlEncodingTable, EveryAliasIsFoundOnce) {
  std::vector<xmlenc::EncodingAlias> aliases = xmlenc::EncodingAliases();
  EXPECT_EQ(aliases.size(), 365u);
  std::set<std::string_view> names;
  std::set<int> codePages;
  for (const auto& alias : aliases) {
    EXPECT_TRUE(names.insert(alias.name).second) << alias.name;
    codePages.insert(alias.codePage);
    std::u16string name(alias.name.begin(), alias.name.end());
    EXPECT_EQ(CodePageFromEncodingName(name), alias.codePage) << alias.name;
    for (auto& c : name) c = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    if (name.rfind(u"UTF-32", 0) != 0) {  // upper-case UTF-32 names are the engine's own
      EXPECT_EQ(CodePageFromEncodingName(name), alias.codePage) << alias.name;
    }
  }
  EXPECT_EQ(codePages.size(), 109u);
  EXPECT_EQ(*codePages.begin(), 154);
  EXPECT_EQ(*codePages.rbegin(), 65001);
}

TEST(XmlEncodingTable, TellingRows) {
  const struct {
    const char16_t* name;
    int codePage;
  } rows[] = {
      {u"utf-8", 65001},       {u"utf-7", 65000},         {u"utf-16", 1200},
      {u"utf-16le", 1200},     {u"unicode", 1200},        {u"ucs-2", 1200},
      {u"utf-16be", 1201},     {u"unicodefffe", 1201},    {u"utf-32", 12000},
      {u"utf-32be", 12001},    {u"gb2312", 936},          {u"gbk", 936},
      {u"gb18030", 54936},     {u"hz-gb-2312", 52936},    {u"big5", 950},
      {u"shift_jis", 932},     {u"euc-jp", 20932},        {u"euc-kr", 51949},
      {u"ks_c_5601-1987", 949}, {u"iso-2022-jp", 50220},  {u"iso-8859-1", 28591},
      {u"latin1", 28591},      {u"us-ascii", 20127},      {u"ascii", 20127},
      {u"koi8-r", 20866},      {u"windows-1251", 1251},   {u"windows-1252", 1252},
      {u"x-mac-thai", 10021},  {u"ksc_5601", 949},
      {u"extended_unix_code_packed_format_for_japanese", 20932},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CodePageFromEncodingName(row.name), row.codePage) << std::u16string(row.name).size();
}

TEST(XmlEncodingTable, FoldsOnlyAsciiCase) {
  EXPECT_EQ(CodePageFromEncodingName(u"GB2312"), 936);
  EXPECT_EQ(CodePageFromEncodingName(u"Shift_JIS"), 932);
  EXPECT_EQ(CodePageFromEncodingName(u"ISO-8859-1"), 28591);
  // A non-ASCII letter is not folded, so the name is unknown.
  EXPECT_EQ(CodePageFromEncodingName(u"gb2312\u00C0"), xmlenc::kCpUnknown);
}

TEST(XmlEncodingTable, SpecialNames) {
  EXPECT_EQ(CodePageFromEncodingName(u""), 0);
  EXPECT_EQ(CodePageFromEncodingName(u"UTF-32"), xmlenc::kCpUtf32Own);
  EXPECT_EQ(CodePageFromEncodingName(u"UTF-32LE"), xmlenc::kCpUtf32Own);
  // Only the upper-case prefix takes the engine's own UTF-32; the rest is the table's.
  EXPECT_EQ(CodePageFromEncodingName(u"Utf-32"), 12000);
  // Big-endian UTF-32 must not be written little-endian.
  EXPECT_EQ(CodePageFromEncodingName(u"UTF-32BE"), 12001);
  EXPECT_EQ(CodePageFromEncodingName(u"no-such-charset"), xmlenc::kCpUnknown);
  EXPECT_EQ(CodePageFromEncodingName(u"utf-8 "), xmlenc::kCpUnknown);
}

TEST(XmlEncodingTable, LongNamesAreNeverLookedUp) {
  std::u16string name(99, u'a');
  EXPECT_EQ(CodePageFromEncodingName(name), xmlenc::kCpUnknown);
  name.assign(100, u'a');
  EXPECT_EQ(CodePageFromEncodingName(name), xmlenc::kCpUnknown);
  name.assign(5000, u'A');
  EXPECT_EQ(CodePageFromEncodingName(name), xmlenc::kCpUnknown);
}
