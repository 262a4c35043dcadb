// Exchanges into memory: send a prepared request, read the head, read or
// decode the body into a buffer of the block lists.
#include <algorithm>
#include <cstring>
#include <new>

#include "base/ReportError.h"
#include "net/WChunk.h"
#include "net/WGzip.h"
#include "net/WHttp.h"

namespace {
constexpr const char* kStem = "WHttp";
}  // namespace

ResultCode WHttp::ReadExactly(char* body, int64_t length, const char* initial, size_t count) {
  std::memcpy(body, initial, static_cast<size_t>(std::min<int64_t>(length, static_cast<int64_t>(count))));
  received = static_cast<int64_t>(count);
  WBodySource source = BodySource();
  const int64_t block = std::max<int32_t>(blockSize, 1);
  for (int failures = 0; received < length && failures < kMaxFailedReads && !stop;) {
    int64_t at = received;
    int got = source.Receive(body + at, static_cast<size_t>(std::min(length - at, block)));
    if (got < 1) {
      ++failures;
    } else {
      received += got;
      failures = 0;
    }
    source.Pause();
  }
  if (received == length) return Success;
  ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
  return NetReadError;
}

ResultCode WHttp::ReadDecodedBody(int kind, const char* initial, size_t count, BodyBytes* body) {
  WBodySource source = BodySource();
  if (kind == GzipToClose) {
    *body = ReadToCloseAndInflate(decodeBlocks, source, initial, count);
    return Success;
  }
  if (kind == GzipWithLength) {
    int64_t length = contentLength;
    if (length > kMaxGzipLength) {
      ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
      return NetReadError;
    }
    char* packed = decodeBlocks.Allocate(static_cast<size_t>(length) + 1);
    if (!packed) return MallocError;
    ResultCode result = ReadExactly(packed, length, initial, count);
    if (result != Success) return result;
    return InflateWithTrailerSize(decodeBlocks, packed, static_cast<size_t>(length), body);
  }
  BodyBytes joined = DecodeChunked(chunkBlocks, source, initial, count);
  if (joined.length == 0) {
    ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
    return NetReadError;
  }
  if (kind == Chunked) {
    *body = joined;
    return Success;
  }
  return InflateWithTrailerSize(decodeBlocks, joined.data, joined.length, body);
}

ResultCode WHttp::ExchangeBody(const char* request, int64_t length, BodyBytes* body) {
  char* head = headBlocks.Allocate(kHeadBlockSize + 1);
  if (!head) return MallocError;
  utf8Text = false;
  size_t count = 0;
  ResultCode result = SendAndReadHead(request, length, head, &count);
  if (result != Success) return result;
  if (lastKind_ != Identity) return ReadDecodedBody(lastKind_, head, count, body);
  int64_t declared = contentLength;
  if ((declared & 0xFFFFFFFF) == 0xFFFFFFFF || declared > static_cast<int64_t>(kMaxInMemoryBody)) {
    ReportErrorText(kStem, __LINE__, kResultMessages[MallocError]);
    return MallocError;
  }
  char* buffer = decodeBlocks.Allocate(static_cast<size_t>(declared) + 1);
  if (!buffer) return MallocError;
  result = ReadExactly(buffer, declared, head, count);
  if (result == Success) *body = {buffer, static_cast<size_t>(declared)};
  return result;
}

ResultCode WHttp::Exchange(const char* request, int64_t length, std::string& response) {
  ResultCode result;
  try {
    BodyBytes body;
    result = ExchangeBody(request, length, &body);
    // The caller gets a text: it ends at the body's first zero byte.
    if (result == Success && body.data) response.assign(body.data);
  } catch (const std::bad_alloc&) {
    result = MallocError;
  }
  ReleaseBlocks();
  return result;
}

ResultCode WHttp::ExchangeToBuffer(const char* request, int64_t length, char* destination, size_t capacity) {
  ResultCode result;
  try {
    BodyBytes body;
    result = ExchangeBody(request, length, &body);
    if (result == Success && body.data) {
      if (lastKind_ != Identity) contentLength = static_cast<int64_t>(body.length);
      if (!destination || body.length > capacity) {
        ReportErrorText(kStem, __LINE__, kResultMessages[BufferTooSmall]);
        result = BufferTooSmall;
      } else {
        std::memcpy(destination, body.data, body.length);
      }
    }
  } catch (const std::bad_alloc&) {
    result = MallocError;
  }
  ReleaseBlocks();
  return result;
}
