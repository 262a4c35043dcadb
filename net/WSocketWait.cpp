#include "net/WSocketWait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

WDeadline::WDeadline(int timeoutMs)
    : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0))) {}

int WDeadline::RemainingMs() const {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(std::min<long long>(left.count(), 1 << 30)) : 0;
}

WaitOutcome WaitSocket(int fd, short events, const WDeadline& deadline, const StopCheck& stop) {
  if (fd < 0) return WaitOutcome::Failed;
  for (;;) {
    if (stop && stop()) return WaitOutcome::Stopped;
    int slice = std::min(deadline.RemainingMs(), kSliceMs);
    pollfd entry{fd, events, 0};
    int ready = poll(&entry, 1, slice);
    if (ready > 0) return WaitOutcome::Ready;
    if (ready < 0 && errno != EINTR) return WaitOutcome::Failed;
    if (ready == 0 && slice == 0) return WaitOutcome::TimedOut;
  }
}
