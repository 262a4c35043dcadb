#include "base/UrlEncoding.h"

#include <gtest/gtest.h>

TEST(UrlEncoding, UrlEncodePathFollowsItsRules) {
  EXPECT_EQ(UrlEncodePath("/a b/c"), "/a%20b/c");
  EXPECT_EQ(UrlEncodePath("/\xC4\xE3.txt"), "/%C4%E3.txt");
  EXPECT_EQ(UrlEncodePath("/%41x"), "/%41x");
  EXPECT_EQ(UrlEncodePath("/a%"), "/a%");
  EXPECT_EQ(UrlEncodePath("/a%4"), "/a%4");
  EXPECT_EQ(UrlEncodePath("/a%-1"), "/a%-1");
  EXPECT_EQ(UrlEncodePath("/p?q=1&r=#+:"), "/p?q=1&r=#+:");
}
