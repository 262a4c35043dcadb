// The request operations: reset, connect, send, follow 302s, close.
#include "net/WHttp.h"

#include <strings.h>

#include <new>

#include "base/ReportError.h"
#include "net/UrlResolve.h"

namespace {

constexpr const char* kStem = "WHttp";

const char* Text(const char* s) { return s ? s : ""; }

bool IsPost(const char* method) { return method && strcasecmp(method, "POST") == 0; }

}  // namespace

WHttp::WHttp() { Reset(); }

WHttp::~WHttp() { Reset(); }

void WHttp::Reset() {
  stop = false;
  truncateFile = true;
  utf8Text = false;
  startTick = endTick = 0;
  resumeOffset = 0;
  received = 0;
  contentLength = 0;
  rawHead.clear();
  requestText.clear();
  headers.clear();
  statusLine.clear();
  status = 0;
  lastKind_ = Identity;
  sinkError_ = Success;
  lastDecodedLength_ = -1;
  ReleaseBlocks();
  ioSocket = -1;
}

void WHttp::ResetIo() {
  sendFn = &WSocket::TimedSend;
  recvFn = &WSocket::TimedRecv;
}

void WHttp::ReleaseBlocks() {
  decodeBlocks.ReleaseAll();
  chunkBlocks.ReleaseAll();
  headBlocks.ReleaseAll();
}

WBodySource WHttp::BodySource() { return {recvFn, &ioSocket, &stop, readPauseMs_}; }

ResultCode WHttp::OpenConnection(const SplitUrlResult& url) {
  // SetEndpoint keeps the previous host for a name it cannot hold; the
  // request must not go to that host instead.
  if (url.host.size() > kMaxHostLength) {
    ReportErrorText(kStem, __LINE__, kResultMessages[HttpUrlError]);
    return HttpUrlError;
  }
  SetEndpoint(url.host.c_str(), url.port);
  ResultCode result = Connect();
  ioSocket = socket_;
  return result;
}

std::string WHttp::HostField(const SplitUrlResult& url) {
  return url.port == 80 ? url.host : url.host + ":" + std::to_string(url.port);
}

ResultCode WHttp::Transfer(const char* url, bool follow, const ExchangeStep& exchange) {
  try {
    std::string target = Text(url);
    for (int hops = 0;; ++hops) {
      Reset();
      SplitUrlResult split;
      if (SplitUrl(target.c_str(), split) != Success) {
        ReportErrorText(kStem, __LINE__, kResultMessages[HttpUrlError]);
        return HttpUrlError;
      }
      ResultCode result = OpenConnection(split);
      if (result == Success) result = exchange(split);
      CloseConnection();
      ioSocket = -1;
      if (result != HttpJump || status != 302 || !follow) return result;
      // A server that keeps redirecting (to itself, say) must not hold us.
      if (hops >= kMaxRedirects) {
        ReportErrorText(kStem, __LINE__, "too many redirects");
        return HttpJump;
      }
      // A relative Location ("/path", "//host/path", "page") names a place
      // on the server that answered; none at all names no place.
      std::string location = HeaderValue("Location");
      if (location.empty()) {
        ReportErrorText(kStem, __LINE__, kResultMessages[HttpUrlError]);
        return HttpUrlError;
      }
      target = ResolveUrl(target, location);
    }
  } catch (const std::bad_alloc&) {
    CloseConnection();
    ReleaseBlocks();
    return MallocError;
  }
}

ResultCode WHttp::Request(const char* url, const char* body, int64_t bodyLength, std::string& response,
                          const char* method, const char* headerLines, const char* extraHeaderLines) {
  return Transfer(url, true, [&](const SplitUrlResult& split) -> ResultCode {
    if (!IsPost(method)) {
      FormatRequest(requestText, "GET", HostField(split).c_str(), split.path.c_str(), "", "", extraHeaderLines);
      return Exchange(requestText.data(), static_cast<int64_t>(requestText.size()), response);
    }
    std::unique_ptr<char[]> built;
    int64_t total = 0;
    if (BuildPostRequest(built, &total, method, HostField(split).c_str(), split.path.c_str(), "", headerLines, body,
                         bodyLength, extraHeaderLines) < 0)
      return MallocError;
    return Exchange(built.get(), total, response);
  });
}

ResultCode WHttp::RequestToBuffer(const char* url, const char* body, int64_t bodyLength, char* destination,
                                  size_t capacity, const char* method, const char* headerLines) {
  return Transfer(url, true, [&](const SplitUrlResult& split) -> ResultCode {
    if (!IsPost(method)) {
      FormatRequest(requestText, "GET", HostField(split).c_str(), split.path.c_str(), "", "", "");
      return ExchangeToBuffer(requestText.data(), static_cast<int64_t>(requestText.size()), destination,
                              capacity);
    }
    std::unique_ptr<char[]> built;
    int64_t total = 0;
    if (BuildPostRequest(built, &total, method, HostField(split).c_str(), split.path.c_str(), "", headerLines, body,
                         bodyLength, "") < 0)
      return MallocError;
    return ExchangeToBuffer(built.get(), total, destination, capacity);
  });
}

ResultCode WHttp::Get(const char* url, std::string& response, bool follow, const char* extraHeaderLines) {
  return Transfer(url, follow, [&](const SplitUrlResult& split) -> ResultCode {
    FormatGetRequest(requestText, HostField(split).c_str(), split.path.c_str(), extraHeaderLines);
    return Exchange(requestText.data(), static_cast<int64_t>(requestText.size()), response);
  });
}
