#include "dl/StoppablePause.h"

#include <algorithm>
#include <chrono>
#include <thread>

bool PauseUnlessStopped(const std::function<bool()>& stopped, int milliseconds) {
  using Clock = std::chrono::steady_clock;
  auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < until) {
    if (stopped()) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(100), until - Clock::now()));
  }
  return !stopped();
}
