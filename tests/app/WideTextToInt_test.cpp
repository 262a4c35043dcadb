#include "app/WideTextToInt.h"

#include <climits>

#include <gtest/gtest.h>

TEST(WideTextToInt, ReadsLikeTheStandardRule) {
  EXPECT_EQ(WideTextToInt(u"3"), 3);
  EXPECT_EQ(WideTextToInt(u"  \t-12abc"), -12);
  EXPECT_EQ(WideTextToInt(u"+7"), 7);
  EXPECT_EQ(WideTextToInt(u""), 0);
  EXPECT_EQ(WideTextToInt(u"x5"), 0);
  EXPECT_EQ(WideTextToInt(u"- 5"), 0);
}

TEST(WideTextToInt, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(WideTextToInt(u"99999999999999999999999"), INT_MAX);
  EXPECT_EQ(WideTextToInt(u"-99999999999999999999999"), INT_MIN);
  EXPECT_EQ(WideTextToInt(u"-2147483648"), INT_MIN);
}
