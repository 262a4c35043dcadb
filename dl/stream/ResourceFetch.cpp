#include "dl/stream/ResourceFetch.h"

#include <memory>

#include "net/ContentRange.h"
#include "net/GetRequest.h"
#include "net/HttpResponseReader.h"
#include "net/HttpUrl.h"

namespace {

using End = FetchedResource::End;

constexpr int kSliceMs = 200;
constexpr int kMaxRedirects = 10;
constexpr size_t kBufferBytes = 64 * 1024;

FetchedResource Ended(End end, FailureCause cause, ResultCode code, std::string error) {
  FetchedResource result;
  result.end = end;
  result.cause = cause;
  result.code = code;
  result.error = std::move(error);
  return result;
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Servers that are busy or restarting answer so; the next try may pass.
bool Passing(int status) { return status == 408 || status == 429 || status >= 500; }

struct Exchange {
  const ByteSpan& span;
  size_t maxBytes;
  const std::string& capName;
  std::string body;
  int64_t skip = 0;  // bytes before the span in a whole answer
  bool over = false;

  bool Keep(const char* data, size_t size) {
    if (skip > 0) {
      size_t dropped = static_cast<size_t>(std::min<int64_t>(skip, static_cast<int64_t>(size)));
      skip -= static_cast<int64_t>(dropped);
      data += dropped, size -= dropped;
    }
    if (!span.whole()) {
      int64_t wanted = span.length - static_cast<int64_t>(body.size());
      size = static_cast<size_t>(std::min<int64_t>(wanted, static_cast<int64_t>(size)));
    }
    if (body.size() + size > maxBytes) return !(over = true);
    body.append(data, size);
    return true;
  }
};

FetchedResource CheckHead(const HttpResponseHead& head, Exchange& exchange) {
  if (head.status == 206 && !exchange.span.whole()) {
    auto range = ParseContentRange(head.Value("Content-Range"));
    if (!range || range->first != exchange.span.offset ||
        range->last != exchange.span.offset + exchange.span.length - 1)
      return Ended(End::Fail, FailureCause::BadAnswer, HttpTypeError,
                   "the server sent the range " + head.Value("Content-Range") + " when asked for bytes " +
                       std::to_string(exchange.span.offset) + "-" +
                       std::to_string(exchange.span.offset + exchange.span.length - 1));
    return Ended(End::Done, FailureCause::None, Success, {});
  }
  if (head.status == 200) {
    // The whole resource came instead of the range: the range is cut out.
    if (!exchange.span.whole()) exchange.skip = exchange.span.offset;
    return Ended(End::Done, FailureCause::None, Success, {});
  }
  ResultCode code = head.status == 404 || head.status == 410 ? NotFound : HttpTypeError;
  return Ended(Passing(head.status) ? End::Retry : End::Fail, FailureCause::HttpStatus, code,
               "server answered " + std::to_string(head.status) + " " + head.reason);
}

FetchedResource ReadAnswer(WServerConnection& connection, const FetchContext& context, Exchange& exchange,
                           std::string& redirect) {
  HttpResponseReader reader;
  auto buffer = std::make_unique<char[]>(kBufferBytes);
  StallWatch watch;
  watch.stallMs = context.stallMs;
  FetchedResource verdict = Ended(End::Done, FailureCause::None, Success, {});
  bool headChecked = false;
  auto sink = [&](const char* data, size_t size) {
    if (!headChecked) {
      headChecked = true;
      verdict = CheckHead(reader.head(), exchange);
      if (verdict.end != End::Done) return false;
    }
    return exchange.Keep(data, size);
  };
  for (;;) {
    if (context.stopped && context.stopped()) return Ended(End::Stop, FailureCause::None, Success, {});
    long n = ReceiveWatched(connection, buffer.get(), kBufferBytes, context.limits, kSliceMs, watch);
    if (n == WServerConnection::kError) return Ended(End::Retry, watch.cause, NetReadError, watch.error);
    if (n < 0) continue;
    if (n == 0) reader.FinishAtClose(sink);
    else reader.Feed(buffer.get(), static_cast<size_t>(n), sink);
    if (reader.headDone() && IsRedirect(reader.head().status) && reader.head().Has("Location")) {
      redirect = reader.head().Value("Location");
      return verdict;
    }
    // A declared length over the cap fails before any of the body is read.
    bool tooLong = reader.headDone() && exchange.span.whole() && reader.declaredLength() > 0 &&
                   static_cast<uint64_t>(reader.declaredLength()) > exchange.maxBytes;
    if (exchange.over || tooLong)
      return Ended(End::Fail, FailureCause::BadAnswer, NetReadError, "the answer breaks " + exchange.capName);
    if (verdict.end != End::Done) return verdict;
    if (reader.state() == HttpResponseReader::State::Failed) {
      bool cut = reader.error() == NetReadNotEnd || (!reader.headDone() && n == 0);
      return Ended(cut ? End::Retry : End::Fail, cut ? FailureCause::Cut : FailureCause::BadAnswer, reader.error(),
                   "bad answer from the server: " + reader.errorText());
    }
    if (reader.state() == HttpResponseReader::State::Done) break;
    if (n == 0) break;
  }
  if (!headChecked) {
    verdict = CheckHead(reader.head(), exchange);
    if (verdict.end != End::Done) return verdict;
  }
  if (!exchange.span.whole() && static_cast<int64_t>(exchange.body.size()) != exchange.span.length)
    return Ended(End::Retry, FailureCause::Cut, NetReadNotEnd,
                 "the segment is " + std::to_string(exchange.body.size()) + " bytes, " +
                     std::to_string(exchange.span.length) + " expected");
  for (const auto& coding : reader.head().ListValues("Content-Encoding"))
    if (!coding.empty() && coding != "identity")
      return Ended(End::Fail, FailureCause::Unsupported, HttpTypeError,
                   "the server coded the answer (" + coding + ") though asked not to");
  verdict.contentType = reader.head().Value("Content-Type");
  return verdict;
}

}  // namespace

FetchedResource FetchResource(const std::string& url, const ByteSpan& span, size_t maxBytes,
                              const std::string& capName, const FetchContext& context) {
  std::string current = url;
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    HttpUrl parsed;
    std::string error;
    if (!ParseHttpUrl(current, parsed, error))
      return Ended(End::Fail, hop ? FailureCause::Redirect : FailureCause::BadInput, HttpUrlError,
                   error + ": " + current);
    HeaderList headers{{"Accept-Encoding", "identity"}};
    if (!span.whole())
      headers.emplace_back("Range", "bytes=" + std::to_string(span.offset) + "-" +
                                        std::to_string(span.offset + span.length - 1));
    if (context.headers) headers.insert(headers.end(), context.headers->begin(), context.headers->end());
    GetFailure failure;
    auto connection = SendGet(parsed, headers, ReceiveBufferFor(context.limits), static_cast<int>(context.stallMs),
                              context.stopped ? StopCheck(context.stopped) : StopCheck(), failure);
    if (!connection) {
      if (failure.stopped) return Ended(End::Stop, FailureCause::None, Success, {});
      return Ended(failure.permanent ? End::Fail : End::Retry, failure.cause,
                   failure.connected ? NetSendError : NetConnectError, failure.error);
    }
    Exchange exchange{span, maxBytes, capName, {}};
    std::string redirect;
    FetchedResource result = ReadAnswer(*connection, context, exchange, redirect);
    if (!redirect.empty()) {
      Failure bad;
      if (!ResolveRedirect(current, redirect, current, bad)) return Ended(End::Fail, bad.cause, HttpJump, bad.message);
      continue;
    }
    if (result.end != End::Done) return result;
    result.body = std::move(exchange.body);
    result.finalUrl = current;
    return result;
  }
  return Ended(End::Fail, FailureCause::Redirect, HttpJump, "more than " + std::to_string(kMaxRedirects) + " redirects");
}
