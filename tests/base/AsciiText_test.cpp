#include "base/AsciiText.h"

#include <gtest/gtest.h>

// Lengths and counts from servers and records: anything but plain digits,
// or a number that does not fit, is refused and leaves the value alone.
TEST(ParseDecimal, DigitsOnlyAndTheyMustFit) {
  int64_t value = 7;
  EXPECT_TRUE(ParseDecimal("0", value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ParseDecimal("9223372036854775807", value));
  EXPECT_EQ(value, INT64_MAX);
  value = 7;
  for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1a", "0x10", "9223372036854775808", "1.5"}) {
    EXPECT_FALSE(ParseDecimal(bad, value)) << bad;
    EXPECT_EQ(value, 7) << bad;
  }
}

TEST(AsciiText, TrimAndCaseBlindPrefix) {
  EXPECT_EQ(TrimSpaceTab(" \t gzip\t "), "gzip");
  EXPECT_EQ(TrimSpaceTab(" \t "), "");
  EXPECT_TRUE(StartsWithNoCase("Content-Type: x", "content-type"));
  EXPECT_FALSE(StartsWithNoCase("Content", "content-type"));
}
