// Placeholders: what a translation must keep, and how the host fills them.
#include "lang/TextFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(TextFormat, PlaceholderSequenceListsConversionsInOrder) {
  EXPECT_EQ(lang::PlaceholderSequence("%s / %s"), "ss");
  EXPECT_EQ(lang::PlaceholderSequence("还有 %d 个, %s"), "ds");
  EXPECT_EQ(lang::PlaceholderSequence("100%% done"), "") << "%% is a percent sign, no value";
  EXPECT_EQ(lang::PlaceholderSequence("%%%d"), "d");
  EXPECT_EQ(lang::PlaceholderSequence("a typo %x"), "x") << "an unknown conversion shows as a difference";
  EXPECT_EQ(lang::PlaceholderSequence("ends in %"), "%");
}

TEST(TextFormat, FillsValuesInOrderAndKeepsWhatHasNoValue) {
  EXPECT_EQ(lang::FormatText("是否退出%s！", {"Velmora"}), "是否退出Velmora！");
  EXPECT_EQ(lang::FormatText("%d of %s, 50%%", {"3", "ten"}), "3 of ten, 50%");
  EXPECT_EQ(lang::FormatText("%s and %s", {"one"}), "one and %s") << "never reads past the values";
  EXPECT_EQ(lang::FormatText("%x %s %", {"v"}), "%x v %");
  EXPECT_EQ(lang::FormatText("%s", {"%d"}), "%d") << "a value is not formatted again";
  EXPECT_EQ(lang::FormatText(u"移动磁盘(%s:)", {u"E"}), u"移动磁盘(E:)");
}

}  // namespace
