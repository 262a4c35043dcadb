#include "rpc/AuthThrottle.h"

#include <gtest/gtest.h>

namespace {

using rpc::AuthThrottle;

struct FakeClock {
  int64_t now = 1000;
  std::function<int64_t()> fn() {
    return [this] { return now; };
  }
};

TEST(AuthThrottle, EachWrongSecretDoublesTheWaitUpToTheCap) {
  FakeClock clock;
  AuthThrottle throttle(clock.fn());
  EXPECT_EQ(throttle.WaitMs("10.0.0.1"), 0);
  EXPECT_EQ(throttle.Failed("10.0.0.1"), AuthThrottle::kFirstDelayMs);
  EXPECT_EQ(throttle.Failed("10.0.0.1"), 2 * AuthThrottle::kFirstDelayMs);
  EXPECT_EQ(throttle.Failed("10.0.0.1"), 4 * AuthThrottle::kFirstDelayMs);
  EXPECT_EQ(throttle.WaitMs("10.0.0.1"), 4 * AuthThrottle::kFirstDelayMs);
  clock.now += 3 * AuthThrottle::kFirstDelayMs;
  EXPECT_EQ(throttle.WaitMs("10.0.0.1"), AuthThrottle::kFirstDelayMs);
  for (int i = 0; i < 40; ++i) throttle.Failed("10.0.0.1");
  EXPECT_EQ(throttle.WaitMs("10.0.0.1"), AuthThrottle::kMaxDelayMs);
  EXPECT_EQ(throttle.WaitMs("10.0.0.2"), 0) << "other addresses are not slowed";
}

TEST(AuthThrottle, ARightSecretForgives) {
  FakeClock clock;
  AuthThrottle throttle(clock.fn());
  throttle.Failed("::1");
  throttle.Failed("::1");
  throttle.Succeeded("::1");
  EXPECT_EQ(throttle.Failures("::1"), 0u);
  EXPECT_EQ(throttle.WaitMs("::1"), 0);
  EXPECT_EQ(throttle.Failed("::1"), AuthThrottle::kFirstDelayMs);
}

TEST(AuthThrottle, TheTableStaysBoundedAndKeepsTheLongestWaits) {
  FakeClock clock;
  AuthThrottle throttle(clock.fn());
  for (int i = 0; i < 3; ++i) throttle.Failed("persistent");
  for (std::size_t i = 0; i < 2 * AuthThrottle::kMaxAddresses; ++i) throttle.Failed("peer" + std::to_string(i));
  EXPECT_EQ(throttle.Failures("persistent"), 3u);
  std::size_t remembered = 0;
  for (std::size_t i = 0; i < 2 * AuthThrottle::kMaxAddresses; ++i) remembered += throttle.Failures("peer" + std::to_string(i));
  EXPECT_LT(remembered, AuthThrottle::kMaxAddresses);
}

}  // namespace
