// When a server that said "later" is asked again.
#include <gtest/gtest.h>

#include "dl/RetryAfter.h"

TEST(RetryAfter, SecondsAndDatesAreHonouredUpToTenMinutes) {
  const int64_t now = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT
  EXPECT_EQ(RetryAfterSeconds("120", now), 120);
  EXPECT_EQ(RetryAfterSeconds(" 0 ", now), 0);
  EXPECT_EQ(RetryAfterSeconds("3600", now), kMaxRetryAfterSeconds);
  EXPECT_EQ(RetryAfterSeconds("99999999999999999999", now), kMaxRetryAfterSeconds);
  EXPECT_EQ(RetryAfterSeconds("Sun, 06 Nov 1994 08:50:07 GMT", now), 30);
  EXPECT_EQ(RetryAfterSeconds("Sun, 06 Nov 1994 08:00:00 GMT", now), 0);  // already past
  EXPECT_EQ(RetryAfterSeconds("Mon, 07 Nov 1994 08:49:37 GMT", now), kMaxRetryAfterSeconds);
}

TEST(RetryAfter, AnythingElseIsNoWaitAtAll) {
  for (const char* bad : {"", "-5", "1.5", "soon", "Sun, 06 Nov 1994 08:50:07 UTC", "Sun, 32 Nov 1994 08:50:07 GMT",
                          "Sun, 06 Foo 1994 08:50:07 GMT", "Sun, 06 Nov 1994 25:50:07 GMT"})
    EXPECT_FALSE(RetryAfterSeconds(bad, 0).has_value()) << bad;
  for (int status : {408, 429, 500, 502, 503, 504}) EXPECT_TRUE(IsTransientStatus(status)) << status;
  for (int status : {400, 401, 403, 404, 410, 416, 501, 505}) EXPECT_FALSE(IsTransientStatus(status)) << status;
}
