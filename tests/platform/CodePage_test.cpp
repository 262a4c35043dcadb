#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/Utf8Codec.h"

using namespace platform;

TEST(CodePage, AnsiDefaultsToGbk) {
  if (getenv("VELMORA_ACP")) GTEST_SKIP() << "VELMORA_ACP is set";
  EXPECT_EQ(AnsiCodePage(), 936u);
  EXPECT_EQ(ResolveCodePage(0), 936u);
}

TEST(CodePage, KnownFamiliesAreSupported) {
  for (unsigned cp : {936u, 54936u, 950u, 932u, 65001u, 1200u, 1201u, 28591u, 28605u, 1252u, 1251u,
                      20866u, 21866u, 37u, 1047u, 949u, 20127u, 10000u, 12000u})
    EXPECT_TRUE(IsCodePageSupported(cp)) << cp;
  EXPECT_FALSE(IsCodePageSupported(4242u));
  // Every charset the table names must exist in this C library.
  for (unsigned cp = 1; cp < 70000; ++cp) {
    if (!IconvCharset(cp)) continue;
    EXPECT_TRUE(IsCodePageSupported(cp)) << cp << " " << IconvCharset(cp);
  }
  EXPECT_FALSE(DecodeToUtf16(4242u, "x").has_value());
}

TEST(CodePage, EncodingReportsTheDefaultCharacter) {
  bool used = false;
  auto latin = EncodeFromUtf16(28591, u"caf\u00E9", &used);
  ASSERT_TRUE(latin);
  EXPECT_EQ(*latin, "caf\xE9");
  EXPECT_FALSE(used);
  auto lossy = EncodeFromUtf16(28591, u"a\u4E2Db\U0001F600c", &used);
  ASSERT_TRUE(lossy);
  EXPECT_EQ(*lossy, "a?b?c");  // a surrogate pair is one character, one '?'
  EXPECT_TRUE(used);
}

TEST(CodePage, Utf16ByteOrders) {
  EXPECT_EQ(*DecodeToUtf16(1201, std::string("\x4E\x2D\x00\x41", 4)), u"\u4E2DA");
  EXPECT_EQ(*EncodeFromUtf16(1201, u"\u4E2DA"), std::string("\x4E\x2D\x00\x41", 4));
  EXPECT_EQ(*DecodeToUtf16(1200, std::string("A\0B", 3)), u"A\uFFFD");
  EXPECT_FALSE(DecodeToUtf16(1200, std::string("A\0B", 3), true).has_value());
}

TEST(CodePage, StatefulEncodingsRestartEachCall) {
  // ISO-2022-JP carries shift state; a cached descriptor must not leak it.
  auto first = EncodeFromUtf16(50220, u"\u65E5a");
  auto second = EncodeFromUtf16(50220, u"a");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(*second, "a");
  EXPECT_EQ(*DecodeToUtf16(50220, *first), u"\u65E5a");
}

TEST(Utf8Codec, MalformedInputBecomesReplacementCharacters) {
  std::u16string out;
  EXPECT_FALSE(AppendUtf8AsUtf16("a\xC0\xAF" "b\xED\xA0\x80" "c\xF4\x90\x80\x80" "d\xE4\xB8", out));
  EXPECT_EQ(out.front(), u'a');
  EXPECT_EQ(out.back(), u'\uFFFD');  // truncated sequence at the end
  EXPECT_EQ(std::count(out.begin(), out.end(), u'\uFFFD'), 2 + 3 + 4 + 2);
  EXPECT_FALSE(IsWellFormedUtf8("\xED\xA0\x80"));
  EXPECT_TRUE(IsWellFormedUtf8("plain \xE4\xB8\xAD \xF0\x9F\x98\x80"));
}

TEST(Utf8Codec, RandomWellFormedTextRoundTrips) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> pick(0, 0x10FFFF);
  for (int round = 0; round < 200; ++round) {
    std::u16string wide;
    for (int i = 0; i < 50; ++i) {
      uint32_t cp = pick(rng) % (round % 2 ? 0x80 : 0x110000);
      if (cp >= 0xD800 && cp <= 0xDFFF) cp = 'x';
      if (cp >= 0x10000) {
        wide += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        wide += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        wide += static_cast<char16_t>(cp);
      }
    }
    std::string utf8;
    ASSERT_TRUE(AppendUtf16AsUtf8(wide, utf8));
    ASSERT_TRUE(IsWellFormedUtf8(utf8));
    std::u16string back;
    ASSERT_TRUE(AppendUtf8AsUtf16(utf8, back));
    ASSERT_EQ(back, wide);
  }
}

TEST(Utf8Codec, RandomBytesNeverBreakTheDecoder) {
  std::mt19937 rng(11);
  for (int round = 0; round < 500; ++round) {
    std::string bytes(rng() % 64, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng());
    std::u16string out;
    AppendUtf8AsUtf16(bytes, out);
    EXPECT_LE(out.size(), bytes.size());
    EXPECT_TRUE(DecodeToUtf16(936, bytes).has_value());
    EXPECT_TRUE(DecodeToUtf16(932, bytes).has_value());
  }
}
