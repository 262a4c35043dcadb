// Reading and parsing the response head. Header names are matched without
// regard to case, and so are the encodings "chunked" and "gzip": proxies
// rewrite the spelling freely.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/ReportError.h"
#include "net/WHttp.h"

namespace {

constexpr const char* kStem = "WHttp";
constexpr const char kHeadEnd[] = "\r\n\r\n";

bool EqualsNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::string TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return std::string(text.substr(first, last - first + 1));
}

// A plain non-negative decimal number; false for anything else (a sign,
// blanks inside, a list of values).
bool ParseLength(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

int BodyKindOf(bool chunked, bool gzip) {
  if (chunked) return gzip ? WHttp::ChunkedGzip : WHttp::Chunked;
  return gzip ? WHttp::GzipWithLength : WHttp::Identity;
}

}  // namespace

bool HeaderNameLess::operator()(const std::string& a, const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::string WHttp::HeaderValue(std::string_view name) const {
  auto it = headers.find(std::string(name));
  return it == headers.end() ? std::string() : it->second.second;
}

int WHttp::ParseStatusCode(const char* line) {
  if (!line) return 0;
  const char* version = std::strstr(line, "HTTP/1.1 ");
  if (!version) version = std::strstr(line, "HTTP/1.0 ");
  if (!version) return 0;
  const char* code = version + 9;
  const char* blank = std::strchr(code, ' ');
  if (!blank) return 0;
  std::string text = TrimBlanks(std::string_view(code, static_cast<size_t>(blank - code)));
  long value = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

int WHttp::ParseResponseHead(const std::string& head) {
  size_t at = 0;
  bool first = true;
  for (size_t end; (end = head.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string_view line(head.data() + at, end - at);
    if (first) {
      statusLine.assign(line);
      first = false;
      continue;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    std::string name(line.substr(0, colon));
    headers.emplace(name, std::make_pair(name, TrimBlanks(line.substr(colon + 1))));
  }
  status = ParseStatusCode(statusLine.c_str());
  bool chunked = EqualsNoCase(HeaderValue("Transfer-Encoding"), "chunked");
  bool gzip = EqualsNoCase(HeaderValue("Content-Encoding"), "gzip");
  int kind = BodyKindOf(chunked, gzip);
  badContentLength_ = false;
  std::string length = HeaderValue("Content-Length");
  if (!length.empty()) {
    int64_t value = 0;
    if (ParseLength(length, &value)) {
      contentLength = value;
    } else {
      // A chunked body does not need the length; anything else cannot be
      // read safely without it.
      contentLength = 0;
      badContentLength_ = !chunked;
    }
  } else if (kind == GzipWithLength) {
    kind = GzipToClose;
  }
  return kind;
}

ResultCode WHttp::SendAndReadHead(const char* request, int64_t length, char* headBuffer, size_t* bodyBytes) {
  headers.clear();
  rawHead.clear();
  *bodyBytes = 0;
  if (!request || length <= 0) {
    ReportErrorText(kStem, __LINE__, kResultMessages[NetSendError]);
    return NetSendError;
  }
  // One send call may take only part of a long request; keep going.
  for (int64_t sent = 0; sent < length;) {
    int32_t piece = static_cast<int32_t>(std::min<int64_t>(length - sent, INT32_MAX));
    int result = sendFn(&ioSocket, request + sent, piece, 0);
    if (result < 1) {
      ReportErrorText(kStem, __LINE__, kResultMessages[NetSendError]);
      return NetSendError;
    }
    sent += result;
  }

  size_t found = std::string::npos;
  while (found == std::string::npos) {
    int got = recvFn(&ioSocket, headBuffer, static_cast<int32_t>(kHeadBlockSize), 0);
    if (got < 1 || rawHead.size() + static_cast<size_t>(got) > kMaxHeadSize) {
      ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
      return NetReadError;
    }
    // The end of the head may straddle two reads.
    size_t from = rawHead.size() < 3 ? 0 : rawHead.size() - 3;
    rawHead.append(headBuffer, static_cast<size_t>(got));
    found = rawHead.find(kHeadEnd, from);
  }
  size_t headLength = found + 4;
  *bodyBytes = rawHead.size() - headLength;
  std::memcpy(headBuffer, rawHead.data() + headLength, *bodyBytes);
  headBuffer[*bodyBytes] = 0;
  rawHead.resize(headLength);

  lastKind_ = ParseResponseHead(rawHead);
  if (status == 302) return HttpJump;
  if (status < 200 || status > 301) {
    ReportErrorText(kStem, __LINE__, kResultMessages[HttpTypeError]);
    return HttpTypeError;
  }
  if (badContentLength_) {
    ReportErrorText(kStem, __LINE__, "bad Content-Length: " + HeaderValue("Content-Length"));
    return NetReadError;
  }
  std::string type = HeaderValue("Content-Type");
  std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
  utf8Text = type.find("charset=utf-8") != std::string::npos;
  return Success;
}
