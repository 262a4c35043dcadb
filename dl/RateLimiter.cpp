#include "dl/RateLimiter.h"

#include <algorithm>
#include <cmath>

namespace {

double Capacity(int64_t rate) { return std::max(1024.0, static_cast<double>(rate) / 5); }

}  // namespace

void RateLimiter::SetRate(int64_t bytesPerSecond) {
  std::lock_guard lock(mutex_);
  rate_ = std::max<int64_t>(0, bytesPerSecond);
  tokens_ = std::min(tokens_, Capacity(rate_));
  last_ = Clock::now();
}

int64_t RateLimiter::rate() const {
  std::lock_guard lock(mutex_);
  return rate_;
}

void RateLimiter::RefillLocked(Clock::time_point now) {
  double seconds = std::chrono::duration<double>(now - last_).count();
  last_ = now;
  if (seconds > 0) tokens_ = std::min(Capacity(rate_), tokens_ + seconds * static_cast<double>(rate_));
}

size_t RateLimiter::Grant(size_t wanted, int& waitMs) {
  std::lock_guard lock(mutex_);
  waitMs = 0;
  if (rate_ <= 0) return wanted;
  RefillLocked(Clock::now());
  double whole = std::floor(tokens_);
  if (whole < 1) {
    // Wait until a useful amount has gathered, not for single bytes.
    double want = std::min(Capacity(rate_) / 4, static_cast<double>(wanted));
    waitMs = std::clamp(static_cast<int>(std::ceil((want - tokens_) * 1000 / static_cast<double>(rate_))), 1, 200);
    return 0;
  }
  size_t granted = std::min(wanted, static_cast<size_t>(whole));
  tokens_ -= static_cast<double>(granted);
  return granted;
}

void RateLimiter::GiveBack(size_t unused) {
  std::lock_guard lock(mutex_);
  if (rate_ > 0) tokens_ = std::min(Capacity(rate_), tokens_ + static_cast<double>(unused));
}
