// A steady clock the test moves by hand; safe to read from any thread.
#ifndef VELMORA_TESTS_DL_MANUALCLOCK_H
#define VELMORA_TESTS_DL_MANUALCLOCK_H

#include <atomic>
#include <chrono>
#include <cstdint>

#include "dl/SteadyClock.h"

class ManualClock {
 public:
  std::chrono::steady_clock::time_point now() const {
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms_.load()));
  }
  void Advance(std::chrono::milliseconds by) { ms_ += by.count(); }
  SteadyClock Reader() const {
    return [this] { return now(); };
  }

 private:
  std::atomic<int64_t> ms_{1'000'000};
};

#endif
