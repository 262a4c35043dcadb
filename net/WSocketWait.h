// WSocketWait: waiting for one socket in short slices. A long wait is cut
// into polls of at most kWaitSliceMs, and the caller's stop check is asked
// between them, so a transfer that is told to stop notices within a quarter
// of a second even while its peer stays silent.
//
// Safe from any thread; a socket is waited on by one thread at a time.
#ifndef VELMORA_NET_WSOCKETWAIT_H
#define VELMORA_NET_WSOCKETWAIT_H

#include <chrono>
#include <functional>

#include "platform/SocketIo.h"

// Answers true when the caller wants the operation to end now. An empty
// check never stops.
using StopCheck = std::function<bool()>;

enum class WaitOutcome { Ready, TimedOut, Stopped, Failed };

// A point in time `timeoutMs` from construction (a negative time-out has
// already passed).
class WDeadline {
 public:
  explicit WDeadline(int timeoutMs);
  // Milliseconds left, 0 once passed.
  int RemainingMs() const;
  bool Passed() const { return RemainingMs() == 0; }

 private:
  std::chrono::steady_clock::time_point end_;
};

inline constexpr int kWaitSliceMs = 250;

// Waits until `fd` is ready for `want`, or reports an error or hang-up
// (Ready too: the next read or write reports it), or the deadline passes,
// or `stop` answers true. Failed: the wait itself failed.
WaitOutcome WaitSocket(int fd, platform::SocketWant want, const WDeadline& deadline, const StopCheck& stop);

#endif
