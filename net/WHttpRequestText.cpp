// The request templates. Their text is fixed byte for byte: servers and
// proxies in the field were set up against exactly these requests.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/UrlEncoding.h"
#include "net/WHttp.h"

namespace {

constexpr const char kAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/x-ms-application, application/x-ms-xbap, application/vnd.ms-xpsdocument, "
    "application/xaml+xml, */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "Accept-Encoding: gzip,deflate\r\n";
constexpr const char kGetAgent[] =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; "
    ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022; .NET CLR 3.0.4506.2152; .NET CLR 3.5.30729; "
    ".NET4.0C; .NET4.0E)\r\n";
constexpr const char kRequestAgent[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; Maxthon 2.0)\r\n";
constexpr const char kKeepAlive[] = "Connection: Keep-Alive\r\nProxy-Connection: Keep-Alive\r\n";
constexpr const char kNoCache[] = "Cache-Control: no-cache\r\n";

const char* Text(const char* s) { return s ? s : ""; }

// Everything of a POST before its body.
std::string PostHead(const char* method, const char* host, const char* path, const char* linesBeforeAccept,
                     const char* linesAfterContentLength, int64_t bodyLength, const char* linesAfterCacheControl) {
  std::string head;
  head.append(Text(method)).append(" ").append(UrlEncodePath(Text(path))).append(" HTTP/1.1\r\n");
  head.append(Text(linesBeforeAccept)).append(kAccept).append(kRequestAgent).append("Host: ");
  head.append(Text(host)).append("\r\nContent-Length: ");
  char number[24];
  std::snprintf(number, sizeof number, "%" PRId64, bodyLength);
  head.append(number).append("\r\n").append(Text(linesAfterContentLength));
  head.append(kNoCache).append(kKeepAlive).append(Text(linesAfterCacheControl)).append("\r\n");
  return head;
}

}  // namespace

ResultCode WHttp::FormatPostRequest(char* out, size_t capacity, const char* method, const char* host,
                                    const char* path, const char* linesBeforeAccept,
                                    const char* linesAfterContentLength, const char* body,
                                    const char* linesAfterCacheControl) {
  try {
    std::string text = PostHead(method, host, path, linesBeforeAccept, linesAfterContentLength,
                                static_cast<int64_t>(std::strlen(Text(body))), linesAfterCacheControl);
    text.append(Text(body));
    if (!out || text.size() + 1 > capacity) return BufferTooSmall;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return Success;
  } catch (const std::bad_alloc&) {
    return MallocError;
  }
}

int WHttp::FormatGetRequest(std::string& out, const char* host, const char* path, const char* extraHeaderLines) {
  std::string text = "GET " + UrlEncodePath(Text(path)) + " HTTP/1.1\r\n";
  text.append(Text(extraHeaderLines)).append(kAccept).append(kGetAgent);
  text.append("Host: ").append(Text(host)).append("\r\n").append(kKeepAlive).append("\r\n");
  if (text.size() <= kMaxFormattedRequest) out = std::move(text);
  return 0;
}

void WHttp::FormatRequest(std::string& out, const char* method, const char* host, const char* path,
                          const char* linesBeforeAccept, const char* linesBeforeCacheControl,
                          const char* linesAfterCacheControl) {
  std::string text = std::string(Text(method)) + " " + UrlEncodePath(Text(path)) + " HTTP/1.1\r\n";
  text.append(Text(linesBeforeAccept)).append(kAccept).append(kRequestAgent);
  text.append("Host: ").append(Text(host)).append("\r\n").append(Text(linesBeforeCacheControl));
  text.append(kNoCache).append(kKeepAlive).append(Text(linesAfterCacheControl)).append("\r\n");
  if (text.size() <= kMaxFormattedRequest) out = std::move(text);
}

int64_t WHttp::BuildPostRequest(std::unique_ptr<char[]>& out, int64_t* outLength, const char* method,
                                const char* host, const char* path, const char* linesBeforeAccept,
                                const char* linesAfterContentLength, const char* body, int64_t bodyLength,
                                const char* linesAfterCacheControl) {
  if (bodyLength < 0 || (bodyLength > 0 && !body)) bodyLength = 0;
  std::string head = PostHead(method, host, path, linesBeforeAccept, linesAfterContentLength, bodyLength,
                              linesAfterCacheControl);
  size_t total = head.size() + static_cast<size_t>(bodyLength);
  out.reset(new (std::nothrow) char[total + 1]());
  if (!out) return -1;
  std::memcpy(out.get(), head.data(), head.size());
  if (bodyLength > 0) std::memcpy(out.get() + head.size(), body, static_cast<size_t>(bodyLength));
  if (outLength) *outLength = static_cast<int64_t>(total);
  return static_cast<int64_t>(total);
}
