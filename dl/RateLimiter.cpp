#include "dl/RateLimiter.h"

#include <algorithm>
#include <cmath>

namespace {

double Capacity(int64_t rate) { return std::max(1024.0, static_cast<double>(rate) / 5); }

}  // namespace

void RateLimiter::SetRate(int64_t bytesPerSecond) {
  std::lock_guard lock(mutex_);
  rate_ = std::max<int64_t>(0, bytesPerSecond);
  tokens_ = std::min(tokens_, Capacity(rate_.load()));
  last_ = clock_();
}

int64_t RateLimiter::rate() const { return rate_.load(std::memory_order_relaxed); }

void RateLimiter::RefillLocked(Clock::time_point now) {
  double seconds = std::chrono::duration<double>(now - last_).count();
  last_ = now;
  int64_t rate = rate_.load();
  if (seconds > 0) tokens_ = std::min(Capacity(rate), tokens_ + seconds * static_cast<double>(rate));
}

size_t RateLimiter::Grant(size_t wanted, int& waitMs) {
  waitMs = 0;
  if (rate_.load(std::memory_order_relaxed) <= 0) return wanted;
  std::lock_guard lock(mutex_);
  if (rate_ <= 0) return wanted;
  RefillLocked(clock_());
  double whole = std::floor(tokens_);
  if (whole < 1) {
    // Wait until a useful amount has gathered, not for single bytes.
    double want = std::min(Capacity(rate_) / 4, static_cast<double>(wanted));
    waitMs = std::clamp(static_cast<int>(std::ceil((want - tokens_) * 1000 / static_cast<double>(rate_.load()))), 1, 200);
    return 0;
  }
  size_t granted = std::min(wanted, static_cast<size_t>(whole));
  tokens_ -= static_cast<double>(granted);
  return granted;
}

void RateLimiter::GiveBack(size_t unused) {
  if (rate_.load(std::memory_order_relaxed) <= 0) return;
  std::lock_guard lock(mutex_);
  int64_t rate = rate_.load();
  if (rate > 0) tokens_ = std::min(Capacity(rate), tokens_ + static_cast<double>(unused));
}
