#include "dl/LimitedReceive.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

long ReceiveWithinLimits(Connection& connection, char* buffer, size_t size, SpeedLimits limits, int waitMs) {
  int pauseMs = 0;
  size_t granted = limits.task.Grant(size, pauseMs);
  size_t both = granted ? limits.global.Grant(granted, pauseMs) : 0;
  if (granted > both) limits.task.GiveBack(granted - both);
  if (both == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(pauseMs, waitMs)));
    return kHeldBack;
  }
  long n = connection.Receive(buffer, both, waitMs);
  size_t unused = both - static_cast<size_t>(std::max(n, 0L));
  if (unused) limits.task.GiveBack(unused), limits.global.GiveBack(unused);
  return n;
}

long ReceiveWatched(Connection& connection, char* buffer, size_t size, SpeedLimits limits, int waitMs,
                    StallWatch& watch) {
  auto started = std::chrono::steady_clock::now();
  long n = ReceiveWithinLimits(connection, buffer, size, limits, waitMs);
  if (n == Connection::kTimedOut) {
    watch.idleMs +=
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    if (watch.idleMs < watch.stallMs) return n;
    watch.cause = FailureCause::Stall;
    watch.error = "no data for " + std::to_string((watch.stallMs + 500) / 1000) + " s (stalled)";
    return Connection::kError;
  }
  if (n == Connection::kError) {
    watch.cause = FailureCause::Cut;
    watch.error = "connection failed: " + connection.errorText();
  }
  if (n >= 0) watch.idleMs = 0;
  return n;
}

int ReceiveBufferFor(SpeedLimits limits) {
  int64_t limit = limits.task.rate();
  int64_t global = limits.global.rate();
  if (global > 0 && (limit == 0 || global < limit)) limit = global;
  return limit > 0 ? static_cast<int>(std::clamp<int64_t>(limit / 8, 4096, 1 << 20)) : 0;
}
