// Sets of byte ranges of one file, as half-open [start, end) pairs kept
// sorted, disjoint and merged: what is on disk, what is still missing.
#ifndef VELMORA_DL_BYTERANGES_H
#define VELMORA_DL_BYTERANGES_H

#include <cstdint>
#include <utility>
#include <vector>

using ByteRanges = std::vector<std::pair<int64_t, int64_t>>;

// Adds [start, end), merging it with ranges it touches or overlaps.
void AddByteRange(ByteRanges& ranges, int64_t start, int64_t end);
// The parts of [0, total) that `ranges` do not cover.
ByteRanges MissingByteRanges(const ByteRanges& ranges, int64_t total);
int64_t CoveredBytes(const ByteRanges& ranges);

#endif
