#include "dl/SpeedMeter.h"

namespace {

constexpr auto kSpacing = std::chrono::milliseconds(450);
constexpr auto kWindow = std::chrono::seconds(5);

}  // namespace

void SpeedMeter::Reset() { count_ = 0; }

void SpeedMeter::Sample(int64_t bytes, Clock::time_point now) {
  if (count_ > 0 && now - points_[newest_].at < kSpacing) return;
  newest_ = count_ == 0 ? 0 : (newest_ + 1) % kPoints;
  points_[newest_] = Point{now, bytes};
  if (count_ < kPoints) ++count_;
}

int64_t SpeedMeter::BytesPerSecond(Clock::time_point now) const {
  if (count_ < 2) return 0;
  const Point& newest = points_[newest_];
  // Nothing sampled for a while means nothing arrived.
  if (now - newest.at > std::chrono::seconds(2)) return 0;
  const Point* oldest = &newest;
  for (size_t back = 1; back < count_; ++back) {
    const Point& p = points_[(newest_ + kPoints - back) % kPoints];
    if (now - p.at > kWindow) break;
    oldest = &p;
  }
  double seconds = std::chrono::duration<double>(now - oldest->at).count();
  if (oldest == &newest || seconds <= 0) return 0;
  return static_cast<int64_t>(static_cast<double>(newest.bytes - oldest->bytes) / seconds);
}
