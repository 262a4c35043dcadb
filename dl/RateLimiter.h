// A token bucket shared by whoever reads under one limit (one task, or all
// tasks for the global limit). Readers ask for a grant before each receive
// and give back what they did not use, so the limit holds however the bytes
// arrive. The bucket holds at most a fifth of a second's worth, which keeps
// bursts well below one second's worth. Rate changes apply at once.
// Thread-safe.
#ifndef VELMORA_DL_RATELIMITER_H
#define VELMORA_DL_RATELIMITER_H

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "dl/SteadyClock.h"

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  explicit RateLimiter(SteadyClock clock = Clock::now) : clock_(std::move(clock)) {}

  // 0 means no limit.
  void SetRate(int64_t bytesPerSecond);
  int64_t rate() const;

  // Up to `wanted` bytes that may be read now; 0 when none, with `waitMs`
  // saying when asking again makes sense.
  size_t Grant(size_t wanted, int& waitMs);
  // Bytes granted but not read.
  void GiveBack(size_t unused);

 private:
  void RefillLocked(Clock::time_point now);

  const SteadyClock clock_;
  mutable std::mutex mutex_;
  // Read without the lock first: with no limit, readers never meet.
  std::atomic<int64_t> rate_{0};
  double tokens_ = 0;
  Clock::time_point last_{};
};

#endif
