#include "dl/CheckpointPolicy.h"

bool CheckpointPolicy::Due(std::chrono::steady_clock::duration since, int64_t pendingBytes,
                           double flushBytesPerSecond) {
  if (since < kEvery) return false;
  if (since >= kAtMost) return true;
  double flushSeconds = static_cast<double>(pendingBytes) / flushBytesPerSecond;
  return flushSeconds <= kFlushShare * std::chrono::duration<double>(since).count();
}
