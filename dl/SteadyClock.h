// Where the engine's timing reads the time: the steady clock by default,
// a clock a test moves by hand in unit tests, so that rates and intervals
// are checked exactly instead of against the machine's speed.
#ifndef VELMORA_DL_STEADYCLOCK_H
#define VELMORA_DL_STEADYCLOCK_H

#include <chrono>
#include <functional>

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

#endif
