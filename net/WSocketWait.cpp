#include "net/WSocketWait.h"

#include <algorithm>

WDeadline::WDeadline(int timeoutMs)
    : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0))) {}

int WDeadline::RemainingMs() const {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(std::min<long long>(left.count(), 1 << 30)) : 0;
}

WaitOutcome WaitSocket(int fd, platform::SocketWant want, const WDeadline& deadline, const StopCheck& stop) {
  if (fd < 0) return WaitOutcome::Failed;
  for (;;) {
    if (stop && stop()) return WaitOutcome::Stopped;
    int slice = std::min(deadline.RemainingMs(), kWaitSliceMs);
    int ready = platform::WaitSocketMs(fd, want, slice);
    if (ready > 0) return WaitOutcome::Ready;
    if (ready < 0) return WaitOutcome::Failed;
    if (slice == 0) return WaitOutcome::TimedOut;
  }
}
