// Transfer speed smoothed over the last few seconds: byte counts sampled at
// most twice a second, the rate taken across the samples of a five-second
// window. Not thread-safe; the engine keeps it under its lock. The caller
// says what time it is, from the clock it runs on.
#ifndef VELMORA_DL_SPEEDMETER_H
#define VELMORA_DL_SPEEDMETER_H

#include <array>
#include <chrono>
#include <cstdint>

class SpeedMeter {
 public:
  using Clock = std::chrono::steady_clock;

  void Reset();
  void Sample(int64_t bytes, Clock::time_point now);
  // Bytes per second; 0 before two samples or when the newest is stale.
  int64_t BytesPerSecond(Clock::time_point now) const;

 private:
  struct Point {
    Clock::time_point at;
    int64_t bytes = 0;
  };
  static constexpr size_t kPoints = 12;

  std::array<Point, kPoints> points_{};
  size_t count_ = 0;
  size_t newest_ = 0;
};

#endif
