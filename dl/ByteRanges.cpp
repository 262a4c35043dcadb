#include "dl/ByteRanges.h"

#include <algorithm>

void AddByteRange(ByteRanges& ranges, int64_t start, int64_t end) {
  if (end <= start) return;
  auto at = std::lower_bound(ranges.begin(), ranges.end(), std::make_pair(start, end));
  // Neighbours that touch or overlap are folded into the new range.
  while (at != ranges.begin() && std::prev(at)->second >= start) --at;
  auto last = at;
  while (last != ranges.end() && last->first <= end) {
    start = std::min(start, last->first);
    end = std::max(end, last->second);
    ++last;
  }
  at = ranges.erase(at, last);
  ranges.insert(at, {start, end});
}

ByteRanges MissingByteRanges(const ByteRanges& ranges, int64_t total) {
  ByteRanges missing;
  int64_t cursor = 0;
  for (const auto& [start, end] : ranges) {
    if (start >= total) break;
    if (start > cursor) missing.emplace_back(cursor, start);
    cursor = std::max(cursor, end);
  }
  if (cursor < total) missing.emplace_back(cursor, total);
  return missing;
}

int64_t CoveredBytes(const ByteRanges& ranges) {
  int64_t sum = 0;
  for (const auto& [start, end] : ranges) sum += end - start;
  return sum;
}
