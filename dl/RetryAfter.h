// When a server that answered "later" (408, 429, 500, 502, 503, 504) may be
// asked again: its Retry-After as seconds or as an HTTP date, never longer
// than the engine is willing to hold a task for one answer.
#ifndef VELMORA_DL_RETRYAFTER_H
#define VELMORA_DL_RETRYAFTER_H

#include <cstdint>
#include <optional>
#include <string_view>

// The longest wait one answer may impose.
inline constexpr int64_t kMaxRetryAfterSeconds = 600;

// Whether `status` says the same request may pass later.
bool IsTransientStatus(int status);

// Seconds to wait for a Retry-After value, at most kMaxRetryAfterSeconds;
// nullopt when the value is neither a number of seconds nor an HTTP date.
// A date in the past gives 0. `nowUnix` is the current time for dates.
std::optional<int64_t> RetryAfterSeconds(std::string_view value, int64_t nowUnix);

#endif
