// Reading from a connection under a task's speed limit and the engine's
// global one, shared by every connection the task has open: each read asks
// both buckets first and gives back what did not arrive.
#ifndef VELMORA_DL_LIMITEDRECEIVE_H
#define VELMORA_DL_LIMITEDRECEIVE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FailureCause.h"
#include "dl/Connection.h"
#include "dl/RateLimiter.h"

struct SpeedLimits {
  RateLimiter& task;
  RateLimiter& global;
};

// Bytes received, or 0 at the close, Connection's kError, kTimedOut (nothing
// arrived within `waitMs`), or kHeldBack when a limit let nothing through
// (after a pause of at most `waitMs`).
constexpr long kHeldBack = -3;
long ReceiveWithinLimits(Connection& connection, char* buffer, size_t size, SpeedLimits limits, int waitMs);

// One connection's silence, counted across receives: ReceiveWatched fails
// (kError, with `error`) once nothing came for `stallMs`, or when the
// connection failed; kHeldBack and kTimedOut mean "ask again".
struct StallWatch {
  int64_t stallMs = 30000;
  int64_t idleMs = 0;
  std::string error;
  FailureCause cause = FailureCause::None;  // Stall, or Cut when the connection failed
};
long ReceiveWatched(Connection& connection, char* buffer, size_t size, SpeedLimits limits, int waitMs,
                    StallWatch& watch);

// The receive buffer a new connection should have: under a limit the
// kernel must not take in much more than we let through, or the sender
// sees a faster link than the limit allows. 0: the system's own sizing.
int ReceiveBufferFor(SpeedLimits limits);

#endif
