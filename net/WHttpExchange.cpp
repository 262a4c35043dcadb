// Exchanges into memory: send a prepared request, read the head, then read
// the body through the reader and the content decoders into a string.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/ReportError.h"
#include "net/ContentDecoderChain.h"
#include "net/WHttp.h"

namespace {

constexpr const char* kStem = "WHttp";
constexpr int64_t kReserveAhead = int64_t{16} << 20;

using State = HttpResponseReader::State;

void FeedAll(HttpResponseReader& reader, std::string_view data, const HttpResponseReader::BodySink& sink) {
  while (!data.empty() && reader.state() == State::Body) {
    size_t used = reader.Feed(data.data(), data.size(), sink);
    if (used == 0) break;
    data.remove_prefix(used);
  }
}

bool Refuse(ResultCode* sinkError, ResultCode code, int line, const std::string& why) {
  if (*sinkError == Success) {
    *sinkError = code;
    ReportErrorText(kStem, line, why);
  }
  return false;
}

}  // namespace

ResultCode WHttp::ReadBody(HttpResponseReader& reader, std::string_view pending,
                           const HttpResponseReader::BodySink& sink) {
  FeedAll(reader, pending, sink);
  received = reader.bodyBytes();
  WBodySource source = BodySource();
  const int32_t block = std::max<int32_t>(blockSize, 1);
  char* buffer = nullptr;
  for (int failures = 0; reader.state() == State::Body && failures < kMaxFailedReads && !stop;) {
    if (!buffer && !(buffer = decodeBlocks.Allocate(static_cast<size_t>(block) + 1))) {
      ReportErrorText(kStem, __LINE__, kResultMessages[MallocError]);
      return MallocError;
    }
    int64_t want = block;
    if (reader.framing() == HttpResponseReader::Framing::Length)
      want = std::min(want, reader.declaredLength() - reader.bodyBytes());
    int got = source.Receive(buffer, static_cast<size_t>(want));
    if (got == 0) {
      reader.FinishAtClose(sink);
    } else if (got < 0) {
      ++failures;
    } else {
      failures = 0;
      FeedAll(reader, std::string_view(buffer, static_cast<size_t>(got)), sink);
    }
    received = reader.bodyBytes();
    if (reader.state() == State::Body) source.Pause();
  }
  if (reader.state() == State::Done) return Success;
  if (reader.state() == State::Failed) {
    if (reader.error() == OpenFileError && sinkError_ != Success) return sinkError_;
    ReportErrorText(kStem, __LINE__, reader.errorText());
    return reader.error() == HttpTypeError ? HttpTypeError : NetReadError;
  }
  ReportErrorText(kStem, __LINE__, stop ? "body read stopped" : "the server stopped sending before the body ended");
  return NetReadError;
}

ResultCode WHttp::ReadBodyToMemory(HttpResponseReader& reader, std::string_view pending, std::string* body) {
  body->clear();
  sinkError_ = Success;
  // The compressed-size limit holds for coded bodies that are not chunked.
  const bool limitCoded = lastKind_ == GzipWithLength || lastKind_ == GzipToClose;
  if (reader.framing() == HttpResponseReader::Framing::Length) {
    const int64_t declared = reader.declaredLength();
    if (limitCoded && declared > kMaxGzipLength) {
      ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
      return NetReadError;
    }
    if (!limitCoded && ((declared & 0xFFFFFFFF) == 0xFFFFFFFF || declared > static_cast<int64_t>(bodyLimit_))) {
      ReportErrorText(kStem, __LINE__, kResultMessages[MallocError]);
      return MallocError;
    }
    // Room for what is declared, up to a point: a server's number alone
    // must not claim much memory.
    if (lastKind_ == Identity) body->reserve(static_cast<size_t>(std::min<int64_t>(declared, kReserveAhead)));
  }
  ContentDecoderChain decoders;
  // The cap is kept below, where its failure is a plain read error.
  decoders.Build(reader.head().ListValues("Content-Encoding"), ContentDecoder::kDefaultOutputLimit, nullptr);
  auto keep = [&](const char* data, size_t size) -> bool {
    if (size > bodyLimit_ - body->size())
      return Refuse(&sinkError_, NetReadError, __LINE__, "body larger than the in-memory limit");
    body->append(data, size);
    return true;
  };
  int64_t codedBytes = 0;
  auto sink = [&](const char* data, size_t size) -> bool {
    codedBytes += static_cast<int64_t>(size);
    if (limitCoded && codedBytes > kMaxGzipLength)
      return Refuse(&sinkError_, NetReadError, __LINE__, "compressed body over the size limit");
    if (decoders.Feed(data, size, keep)) return true;
    return Refuse(&sinkError_, Z_DATA_ERROR, __LINE__, decoders.errorText());
  };
  ResultCode result = ReadBody(reader, pending, sink);
  if (result == Success && !decoders.Finish(keep)) {
    Refuse(&sinkError_, Z_DATA_ERROR, __LINE__, decoders.errorText());
    result = sinkError_;
  }
  return result;
}

ResultCode WHttp::ExchangeBody(const char* request, int64_t length, std::string* body) {
  utf8Text = false;
  lastDecodedLength_ = -1;
  HttpResponseReader reader(ReaderOptions(request, length));
  std::string pending;
  ResultCode result = SendAndReadHead(request, length, reader, &pending);
  if (result != Success) return result;
  result = ReadBodyToMemory(reader, pending, body);
  // The caller sees the size of what it gets, unless a length told it.
  if (result == Success && (lastKind_ != Identity || reader.framing() != HttpResponseReader::Framing::Length))
    lastDecodedLength_ = static_cast<int64_t>(body->size());
  return result;
}

ResultCode WHttp::Exchange(const char* request, int64_t length, std::string& response) {
  ResultCode result;
  try {
    std::string body;
    result = ExchangeBody(request, length, &body);
    // The caller gets a text: it ends at the body's first zero byte.
    if (result == Success) response.assign(body.c_str());
  } catch (const std::bad_alloc&) {
    result = MallocError;
  }
  ReleaseBlocks();
  return result;
}

ResultCode WHttp::ExchangeToBuffer(const char* request, int64_t length, char* destination, size_t capacity) {
  ResultCode result;
  try {
    std::string body;
    result = ExchangeBody(request, length, &body);
    if (result == Success) {
      if (lastDecodedLength_ >= 0) contentLength = lastDecodedLength_;
      if (!destination || body.size() > capacity) {
        ReportErrorText(kStem, __LINE__, kResultMessages[BufferTooSmall]);
        result = BufferTooSmall;
      } else {
        std::memcpy(destination, body.data(), body.size());
      }
    }
  } catch (const std::bad_alloc&) {
    result = MallocError;
  }
  ReleaseBlocks();
  return result;
}
