// The token bucket on a clock the test moves: every grant is exact.
#include "dl/RateLimiter.h"

#include <gtest/gtest.h>

#include "tests/dl/support/ManualClock.h"

using namespace std::chrono_literals;

TEST(RateLimiter, GrantsWhatTheRateGatheredAndNeverMoreThanAFifthOfASecond) {
  ManualClock clock;
  RateLimiter limiter(clock.Reader());
  limiter.SetRate(10000);
  int waitMs = -1;
  EXPECT_EQ(limiter.Grant(5000, waitMs), 0u);
  EXPECT_EQ(waitMs, 50) << "a useful amount (a quarter of the bucket) gathers in 50 ms";
  clock.Advance(100ms);
  EXPECT_EQ(limiter.Grant(5000, waitMs), 1000u);
  EXPECT_EQ(waitMs, 0);
  clock.Advance(1000ms);
  EXPECT_EQ(limiter.Grant(5000, waitMs), 2000u) << "a second's silence gives no burst beyond the bucket";
  limiter.GiveBack(500);
  EXPECT_EQ(limiter.Grant(100, waitMs), 100u);
  EXPECT_EQ(limiter.Grant(1000, waitMs), 400u);
  EXPECT_EQ(limiter.Grant(1000, waitMs), 0u);
}

TEST(RateLimiter, HoldsTheRateOverTimeWhateverTheReadersAskFor) {
  ManualClock clock;
  RateLimiter limiter(clock.Reader());
  limiter.SetRate(100000);
  size_t total = 0;
  for (int step = 0; step < 1000; ++step) {  // ten seconds in 10 ms steps
    clock.Advance(10ms);
    int waitMs = 0;
    total += limiter.Grant(step % 2 ? 64 << 10 : 300, waitMs);
  }
  EXPECT_LE(total, 1000000u);
  EXPECT_GE(total, 1000000u - 20000u) << "at most the bucket's fill is left unused";
}

TEST(RateLimiter, NoLimitGrantsEverythingAndARateChangeAppliesAtOnce) {
  ManualClock clock;
  RateLimiter limiter(clock.Reader());
  int waitMs = -1;
  EXPECT_EQ(limiter.Grant(1 << 20, waitMs), size_t{1} << 20);
  EXPECT_EQ(waitMs, 0);
  limiter.SetRate(1000000);
  clock.Advance(100ms);
  EXPECT_EQ(limiter.Grant(1 << 20, waitMs), 100000u);
  limiter.SetRate(5000);
  clock.Advance(1000ms);
  EXPECT_EQ(limiter.Grant(1 << 20, waitMs), 1024u) << "the bucket has its new size at once";
  limiter.SetRate(-1);
  EXPECT_EQ(limiter.rate(), 0);
  EXPECT_EQ(limiter.Grant(7, waitMs), 7u);
}
