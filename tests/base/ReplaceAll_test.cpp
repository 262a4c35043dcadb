#include "base/ReplaceAll.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, ReplaceAllContinuesAfterTheReplacement) {
  std::u16string text = u"a\\b\\\\c";
  EXPECT_EQ(ReplaceAll(text, u"\\", u"\\\\"), u"a\\\\b\\\\\\\\c");
  std::u16string grow = u"aaa";
  EXPECT_EQ(ReplaceAll(grow, u"a", u"aa"), u"aaaaaa");
  std::u16string same = u"abc";
  EXPECT_EQ(ReplaceAll(same, u"", u"x"), u"abc");  // an empty pattern must not loop
}
