// Content-Range values of 206 and 416 answers.
#include "net/ContentRange.h"

#include <gtest/gtest.h>

TEST(ContentRange, ReadsTheThreeFormsAndRefusesTheRest) {
  auto range = ParseContentRange("bytes 100-199/1000");
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 100);
  EXPECT_EQ(range->last, 199);
  EXPECT_EQ(range->complete, 1000);
  EXPECT_EQ(ParseContentRange("bytes 0-9/*")->complete, -1);
  EXPECT_EQ(ParseContentRange("bytes */77")->complete, 77);
  EXPECT_FALSE(ParseContentRange("bytes 10-5/100"));
  EXPECT_FALSE(ParseContentRange("bytes 0-100/100"));
  EXPECT_FALSE(ParseContentRange("bytes -1-5/100"));
  EXPECT_FALSE(ParseContentRange("bytes 0-5/99999999999999999999"));
  EXPECT_FALSE(ParseContentRange("items 0-5/10"));
  EXPECT_FALSE(ParseContentRange("bytes */*"));
}
