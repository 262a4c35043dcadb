// Names inside the JSON lists the host builds.
#include "base/JsonEscape.h"

#include <gtest/gtest.h>

TEST(JsonEscape, QuotesBackslashesAndControlsAreEscapedTheRestKept) {
  EXPECT_EQ(JsonEscaped(u"say \"hi\"\\now"), u"say \\\"hi\\\"\\\\now");
  EXPECT_EQ(JsonEscaped(u"a\nb\x1f"), u"a\\u000ab\\u001f");
  EXPECT_EQ(JsonEscaped(u"移动磁盘/"), u"移动磁盘/") << "non-ASCII and slashes need nothing";
}
