#include "base/CodePageText.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

const std::string kGbkZhongWen = "\xD6\xD0\xCE\xC4";           // 中文 in GBK
const std::string kUtf8ZhongWen = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
const std::u16string kWideZhongWen = u"\u4E2D\u6587";

}  // namespace

TEST(CodePageText, AnsiIsGbkAndRoundTrips) {
  EXPECT_EQ(AnsiToUtf16(kGbkZhongWen + "ab"), kWideZhongWen + u"ab");
  EXPECT_EQ(Utf16ToAnsi(kWideZhongWen + u"ab"), kGbkZhongWen + "ab");
  auto raw = AnsiToUtf16Raw(kGbkZhongWen.c_str());
  ASSERT_TRUE(raw);
  EXPECT_EQ(std::u16string(raw.get()), kWideZhongWen);
}

TEST(CodePageText, Utf8RoundTripsIncludingAstralCharacters) {
  std::u16string wide = kWideZhongWen + u"\U0001F600x";
  std::string utf8 = Utf16ToUtf8(wide);
  EXPECT_EQ(utf8, kUtf8ZhongWen + "\xF0\x9F\x98\x80x");
  auto raw = Utf16ToUtf8Raw(wide.c_str());
  ASSERT_TRUE(raw);
  EXPECT_EQ(std::string(raw.get()), utf8);
}

TEST(CodePageText, Utf8ToGbkConvertsAndRejectsBadInput) {
  EXPECT_EQ(Utf8ToGbk(kUtf8ZhongWen), kGbkZhongWen);
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(Utf8ToGbk("\xC0\xAF"), "");  // overlong: malformed, so failure
  EXPECT_EQ(Utf8ToGbkRaw("\xFF"), nullptr);
  EXPECT_EQ(Utf8ToGbkRaw(""), nullptr);
}

TEST(CodePageText, ByteOrderMarkIsDroppedFromAnsiInput) {
  // Only a code page that can spell U+FEFF can bring one in: UTF-8 scripts.
  platform::OverrideAnsiCodePageForTesting(65001);
  EXPECT_EQ(AnsiToUtf16("\xEF\xBB\xBF" "abc"), u"abc");
  EXPECT_EQ(std::u16string(AnsiToUtf16Raw("\xEF\xBB\xBF" "abc").get()), u"abc");
  EXPECT_EQ(AnsiToUtf16("a\xEF\xBB\xBF"), u"a\uFEFF");  // only a leading mark goes
  platform::OverrideAnsiCodePageForTesting(0);
  EXPECT_EQ(AnsiToUtf16(""), u"");
  EXPECT_EQ(AnsiToUtf16Raw(""), nullptr);
}

TEST(CodePageText, InvalidAnsiBytesNeverStopTheConversion) {
  std::u16string wide = AnsiToUtf16(std::string("a\x81") + "b\xFF" + "c");
  EXPECT_EQ(wide.front(), u'a');
  EXPECT_EQ(wide.back(), u'c');
  EXPECT_NE(wide.find(u'\uFFFD'), std::u16string::npos);
}

TEST(CodePageText, ToWideIntoRespectsCapacity) {
  char16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(ToWideInto("abcdef", buffer, 4), 3u);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(buffer[4], u'#');
  EXPECT_EQ(ToWideInto(nullptr, buffer, 4), 0u);
  EXPECT_EQ(buffer[0], u'a');  // a null input writes nothing
  EXPECT_EQ(ToWideInto("x", buffer, 0), 0u);
}

TEST(CodePageText, ToNarrowIntoWritesNoTerminatorAndCuts) {
  char buffer[8] = {};
  EXPECT_EQ(ToNarrowInto(u"\u4E2D\u6587abc", buffer, 5), 5u);
  EXPECT_EQ(std::string(buffer, 5), kGbkZhongWen + "a");
  EXPECT_EQ(buffer[5], '\0');
}
