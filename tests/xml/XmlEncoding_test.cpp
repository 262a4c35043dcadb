#include "xml/XmlEncoding.h"

#include <gtest/gtest.h>

#include <string>

#include "xml/XmlEncodingTable.h"

using namespace xmlenc;

TEST(XmlEncoding, ByteOrderMarksInTableOrder) {
  ASSERT_NE(DetectByteOrderMark("\xEF\xBB\xBF<a/>"), nullptr);
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB\xBF<a/>")->flag, kFlagUtf8Mark);
  EXPECT_EQ(DetectByteOrderMark("\xFF\xFE<\0")->flag, kFlagUtf16LE);
  EXPECT_EQ(DetectByteOrderMark("\xFE\xFF\0<")->unitSize, 2);
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB"), nullptr);  // only a full match counts
  EXPECT_EQ(DetectByteOrderMark(""), nullptr);
  EXPECT_EQ(DetectByteOrderMark("<a/>"), nullptr);

  EXPECT_EQ(ByteOrderMarkForFlags(0), nullptr);
  EXPECT_EQ(ByteOrderMarkForFlags(kFlagUtf16BE)->name, u"UTF-16BE");
  // UTF-8 comes first in the table, so it wins when several flags are set.
  EXPECT_EQ(ByteOrderMarkForFlags(kFlagUtf16LE | kFlagUtf8Mark)->name, u"UTF-8");
  EXPECT_EQ(ByteOrderMarkForFlags(kFlagUtf16LE | 2)->name, u"UTF-16LE");
}

TEST(XmlEncoding, Utf8TestFollowsLeadBits) {
  EXPECT_TRUE(PassesUtf8Test(""));
  EXPECT_TRUE(PassesUtf8Test("plain <ascii/>"));
  EXPECT_TRUE(PassesUtf8Test("\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"));  // é 中 😀
  EXPECT_TRUE(PassesUtf8Test("\xC0\x80"));                              // overlong: accepted
  EXPECT_TRUE(PassesUtf8Test("\x80\x80"));      // a stray continuation byte leads a pair
  EXPECT_TRUE(PassesUtf8Test("\xE0\xFF\xFF"));  // further bytes are only checked for >= 0x80
  EXPECT_FALSE(PassesUtf8Test("\xF8\x80\x80\x80\x80"));  // five-byte lead
  EXPECT_FALSE(PassesUtf8Test("\xFF"));
  EXPECT_FALSE(PassesUtf8Test("ab\xC3"));       // cut short by the end
  EXPECT_FALSE(PassesUtf8Test("\xE4\xB8"));
  EXPECT_FALSE(PassesUtf8Test("\xC3" "a"));     // cut short by an ASCII byte
  EXPECT_FALSE(PassesUtf8Test("\xC4\xE3\xBA\xC3"));  // GBK "你好": BA has bits 5, 4 and 3 set
  EXPECT_TRUE(PassesUtf8Test("\xD6\xD0\xCE\xC4"));   // GBK "中文" happens to pass the loose test
}

TEST(XmlEncoding, NulRemoval) {
  std::string bytes("a\0b\0\0c", 6);
  EXPECT_EQ(RemoveNulBytes(bytes), 3u);
  EXPECT_EQ(bytes, "abc");
  std::string clean = "abc";
  EXPECT_EQ(RemoveNulBytes(clean), 0u);
  EXPECT_EQ(clean, "abc");

  std::u16string units(u"x\0y\0", 4);
  EXPECT_EQ(RemoveNulUnits(units), 2u);
  EXPECT_EQ(units, u"xy");

  std::u16string swapped = u"\u3C00\u6100";
  SwapUnitBytes(swapped);
  EXPECT_EQ(swapped, u"<a");
}

TEST(XmlEncoding, OwnUtf32RoundTrip) {
  std::u16string text = u"<a>\u4E2D\U0001F600</a>";
  EncodedText encoded = EncodeToCodePage(kCpUtf32Own, text);
  EXPECT_EQ(encoded.units, 9u);  // code points, the pair counts once
  ASSERT_EQ(encoded.bytes.size(), 36u);
  EXPECT_EQ(encoded.bytes.substr(0, 4), std::string("<\0\0\0", 4));
  EXPECT_EQ(encoded.bytes.substr(16, 4), std::string("\x00\xF6\x01\x00", 4));  // U+1F600 LE
  EXPECT_FALSE(encoded.lossy);
  EXPECT_EQ(DecodeFromCodePage(kCpUtf32Own, encoded.bytes), text);
}

TEST(XmlEncoding, OwnUtf32Malformed) {
  // A lone surrogate anywhere becomes '?'; it never swallows the next unit.
  std::u16string text = u"a";
  text += char16_t(0xD800);
  text += u"b";
  text += char16_t(0xDC00);
  EncodedText encoded = EncodeToCodePage(kCpUtf32Own, text);
  EXPECT_EQ(DecodeFromCodePage(kCpUtf32Own, encoded.bytes), u"a?b?");
  // Beyond U+10FFFF there is no UTF-16 form; trailing bytes short of a unit are dropped.
  EXPECT_EQ(DecodeFromCodePage(kCpUtf32Own, std::string("\x00\x00\x11\x00" "A\0\0\0" "B", 9)),
            u"\uFFFDA");
}

TEST(XmlEncoding, CodePageConversions) {
  EXPECT_EQ(DecodeFromCodePage(936, "\xD6\xD0\xCE\xC4"), u"\u4E2D\u6587");
  EXPECT_EQ(DecodeFromCodePage(65001, "\xE4\xB8\xAD"), u"\u4E2D");
  // Unknown and unsupported code pages read as the ANSI code page (936 here).
  EXPECT_EQ(DecodeFromCodePage(kCpUnknown, "\xD6\xD0"), u"\u4E2D");
  EXPECT_EQ(DecodeFromCodePage(0, "\xD6\xD0"), u"\u4E2D");

  EncodedText gbk = EncodeToCodePage(936, u"\u4E2D");
  EXPECT_EQ(gbk.bytes, "\xD6\xD0");
  EXPECT_EQ(gbk.units, 2u);
  EXPECT_FALSE(gbk.lossy);
}

TEST(XmlEncoding, LossIsReportedWhereTheConverterCanTell) {
  const std::u16string thai = u"<a>\u0E01</a>";  // not in GBK or Latin-1
  EncodedText gbk = EncodeToCodePage(936, thai);
  EXPECT_TRUE(gbk.lossy);
  EXPECT_EQ(gbk.bytes, "<a>?</a>");
  EXPECT_TRUE(EncodeToCodePage(28591, thai).lossy);
  EXPECT_FALSE(EncodeToCodePage(50220, thai).lossy);  // ISO-2022-JP: not checked
  EXPECT_FALSE(EncodeToCodePage(65001, thai).lossy);
  EXPECT_FALSE(EncodeToCodePage(54936, thai).lossy);
}
