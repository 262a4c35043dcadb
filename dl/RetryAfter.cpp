#include "dl/RetryAfter.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <limits>
#include <string>

#include "base/AsciiText.h"

namespace {

constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool Number(std::string_view text, int& out) {
  int64_t value = 0;
  if (!ParseDecimal(text, value) || value > std::numeric_limits<int>::max()) return false;
  out = static_cast<int>(value);
  return true;
}

// The preferred form only ("Sun, 06 Nov 1994 08:49:37 GMT"): the obsolete
// ones are not sent by servers that still answer at all.
std::optional<int64_t> ParseImfDate(std::string_view text) {
  if (text.size() != 29 || text[3] != ',' || text[4] != ' ' || text.substr(25) != " GMT") return std::nullopt;
  std::tm tm{};
  int month = -1;
  for (size_t i = 0; i < kMonths.size(); ++i)
    if (text.substr(8, 3) == kMonths[i]) month = static_cast<int>(i);
  if (month < 0 || text[7] != ' ' || text[11] != ' ' || text[16] != ' ' || text[19] != ':' || text[22] != ':')
    return std::nullopt;
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  if (!Number(text.substr(5, 2), day) || !Number(text.substr(12, 4), year) || !Number(text.substr(17, 2), hour) ||
      !Number(text.substr(20, 2), minute) || !Number(text.substr(23, 2), second))
    return std::nullopt;
  if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  tm.tm_year = year - 1900;
  tm.tm_mon = month;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<int64_t>(timegm(&tm));
}

}  // namespace

bool IsTransientStatus(int status) {
  return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

std::optional<int64_t> RetryAfterSeconds(std::string_view value, int64_t nowUnix) {
  value = TrimSpaceTab(value);
  if (!value.empty() && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // Long runs of digits only say "a long time".
    if (value.size() > 9) return kMaxRetryAfterSeconds;
    int seconds = 0;
    if (!Number(value, seconds)) return std::nullopt;
    return std::min<int64_t>(seconds, kMaxRetryAfterSeconds);
  }
  auto at = ParseImfDate(value);
  if (!at) return std::nullopt;
  return std::clamp<int64_t>(*at - nowUnix, 0, kMaxRetryAfterSeconds);
}
