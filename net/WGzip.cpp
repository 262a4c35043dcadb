#include "net/WGzip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "base/ReportError.h"

namespace {

constexpr const char* kStem = "WChunk";
constexpr size_t kGzipHeaderSize = 10;
constexpr size_t kGzipTrailerSize = 8;
constexpr size_t kMinimumMember = kGzipHeaderSize + kGzipTrailerSize;

bool TrailerSizePossible(uint32_t size, size_t count) {
  return count >= kMinimumMember && size <= (count - kMinimumMember + 1) * kMaxInflateRatio;
}

// Inflates into a fresh buffer of exactly `size` bytes plus a terminator.
int InflateSized(WBlockList& blocks, const char* gzip, size_t count, uint32_t size, BodyBytes* out) {
  char* buffer = blocks.Allocate(size_t{size} + 1);
  if (!buffer) {
    ReportErrorText(kStem, __LINE__, kResultMessages[MallocError]);
    return MallocError;
  }
  size_t produced = size;
  int result = InflateGzipMember(&produced, buffer, gzip, count);
  if (result != Z_OK) return result;
  // ISIZE is the length of the original data; a trailer that disagrees lies.
  if (produced != size) return Z_DATA_ERROR;
  buffer[produced] = 0;
  *out = {buffer, produced};
  return Success;
}

}  // namespace

int InflateGzipMember(size_t* outSize, char* out, const char* gzip, size_t count) {
  if (count < kGzipHeaderSize || *outSize > UINT32_MAX || count > UINT32_MAX) return Z_DATA_ERROR;
  z_stream stream{};
  int result = inflateInit2(&stream, -15);
  if (result != Z_OK) return result;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip + kGzipHeaderSize));
  stream.avail_in = static_cast<uInt>(count - kGzipHeaderSize);
  stream.next_out = reinterpret_cast<Bytef*>(out);
  stream.avail_out = static_cast<uInt>(*outSize);
  result = inflate(&stream, Z_FINISH);
  if (result == Z_STREAM_END) {
    *outSize = stream.total_out;
    return inflateEnd(&stream);
  }
  inflateEnd(&stream);
  return result == Z_OK ? Z_BUF_ERROR : result;
}

uint32_t GzipTrailerSize(const char* gzip, size_t count) {
  if (count < 4) return 0;
  const auto* tail = reinterpret_cast<const unsigned char*>(gzip + count - 4);
  return uint32_t{tail[0]} | uint32_t{tail[1]} << 8 | uint32_t{tail[2]} << 16 | uint32_t{tail[3]} << 24;
}

int InflateWithTrailerSize(WBlockList& blocks, const char* gzip, size_t count, BodyBytes* out) {
  uint32_t size = GzipTrailerSize(gzip, count);
  if (size == UINT32_MAX && count >= kMinimumMember) {
    ReportErrorText(kStem, __LINE__, kResultMessages[MallocError]);
    return MallocError;
  }
  if (size == 0 || !TrailerSizePossible(size, count)) {
    ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
    return NetReadError;
  }
  return InflateSized(blocks, gzip, count, size, out);
}

BodyBytes ReadToCloseAndInflate(WBlockList& blocks, const WBodySource& source, const char* initial,
                                size_t count) {
  WBlockList readBlocks;
  char* buffer = readBlocks.Allocate(kGzipToCloseLimit + 1);
  if (!buffer) return {};
  size_t kept = std::min(count, kGzipToCloseLimit);
  if (kept) std::memcpy(buffer, initial, kept);
  while (kept < kGzipToCloseLimit && !source.Stopped()) {
    int got = source.Receive(buffer + kept, std::min<size_t>(kReceiveBlockSize, kGzipToCloseLimit - kept));
    if (got < 1) break;
    kept += static_cast<size_t>(got);
    source.Pause();
  }
  uint32_t size = GzipTrailerSize(buffer, kept);
  if (size < 1 || size >= kGzipToCloseLimit || !TrailerSizePossible(size, kept)) return {};
  BodyBytes body;
  if (InflateSized(blocks, buffer, kept, size, &body) != Success) return {};
  return body;
}
