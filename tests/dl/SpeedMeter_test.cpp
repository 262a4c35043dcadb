// The speed shown for a task, from samples at times the test chooses.
#include "dl/SpeedMeter.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const SpeedMeter::Clock::time_point kStart(1000s);

}  // namespace

TEST(SpeedMeter, TheRateAcrossTheSamplesOfTheLastFiveSeconds) {
  SpeedMeter meter;
  meter.Sample(0, kStart);
  EXPECT_EQ(meter.BytesPerSecond(kStart + 100ms), 0) << "one sample is no speed";
  meter.Sample(50000, kStart + 200ms);  // too close to the last: ignored
  meter.Sample(50000, kStart + 500ms);
  meter.Sample(100000, kStart + 1000ms);
  EXPECT_EQ(meter.BytesPerSecond(kStart + 1000ms), 100000);
  // Measured to now, not to the newest sample.
  EXPECT_EQ(meter.BytesPerSecond(kStart + 2000ms), 50000);
  for (int second = 2; second <= 9; ++second) meter.Sample(100000 + (second - 1) * 10000, kStart + second * 1s);
  // Only the last five seconds count: 10000 bytes a second there.
  EXPECT_EQ(meter.BytesPerSecond(kStart + 9s), 10000);
}

TEST(SpeedMeter, NothingSampledForTwoSecondsMeansNoSpeedAndResetForgets) {
  SpeedMeter meter;
  meter.Sample(0, kStart);
  meter.Sample(100000, kStart + 1s);
  EXPECT_EQ(meter.BytesPerSecond(kStart + 3s), 33333);
  EXPECT_EQ(meter.BytesPerSecond(kStart + 3001ms), 0);
  meter.Reset();
  meter.Sample(500000, kStart + 4s);
  EXPECT_EQ(meter.BytesPerSecond(kStart + 4s), 0);
}
