// Sending the request and reading the response head. The head is read by
// HttpResponseReader; what it found is copied into the fields that callers
// read (statusLine, rawHead, headers, status, contentLength). Header names
// and coding names are matched without regard to case: proxies rewrite the
// spelling freely.
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

std::string TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return std::string(text.substr(first, last - first + 1));
}

bool Decodable(const std::string& coding) {
  return strcasecmp(coding.c_str(), "identity") != 0 && ContentDecoder::ForCoding(coding) != nullptr;
}

// The body kinds, from what the reader found: chunked framing, and a
// content coding that is decoded (gzip or deflate).
int BodyKindOf(const HttpResponseReader& reader) {
  const std::vector<std::string> codings = reader.head().ListValues("Content-Encoding");
  const bool coded = std::any_of(codings.begin(), codings.end(), Decodable);
  if (reader.framing() == HttpResponseReader::Framing::Chunked) return coded ? WHttp::ChunkedGzip : WHttp::Chunked;
  if (!coded) return WHttp::Identity;
  return reader.declaredLength() >= 0 ? WHttp::GzipWithLength : WHttp::GzipToClose;
}

// A reader's failure as this client reports it: no HTTP answer or a coding
// it cannot decode is 22, anything malformed or cut is 15.
ResultCode ClientCode(ResultCode readerError) {
  return readerError == HttpTypeError ? HttpTypeError : NetReadError;
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

void WHttp::TakeHead(const HttpResponseReader& reader) {
  const HttpResponseHead& head = reader.head();
  statusLine = head.statusLine;
  rawHead = reader.rawHead();
  headers.clear();
  for (const auto& [name, value] : head.fields) headers.emplace(name, std::make_pair(name, value));
  status = ParseStatusCode(statusLine.c_str());
  contentLength = std::max<int64_t>(reader.declaredLength(), 0);
  lastKind_ = BodyKindOf(reader);
}

int WHttp::ParseResponseHead(const std::string& head) {
  HttpResponseReader::Options options;
  options.pauseAfterHead = true;
  options.maxHeadBytes = std::max(head.size(), options.maxHeadBytes);
  HttpResponseReader reader(options);
  reader.Feed(head.data(), head.size(), {});
  TakeHead(reader);
  return lastKind_;
}

HttpResponseReader::Options WHttp::ReaderOptions(const char* request, int64_t length) const {
  HttpResponseReader::Options options;
  options.headRequest = request && length >= 5 && std::strncmp(request, "HEAD ", 5) == 0;
  options.maxHeadBytes = kMaxHeadSize;
  options.pauseAfterHead = true;
  return options;
}

ResultCode WHttp::SendAndReadHead(const char* request, int64_t length, HttpResponseReader& reader,
                                  std::string* pending) {
  headers.clear();
  rawHead.clear();
  pending->clear();
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

  char* buffer = headBlocks.Allocate(kHeadBlockSize + 1);
  if (!buffer) return MallocError;
  while (reader.state() == HttpResponseReader::State::Head) {
    int got = recvFn(&ioSocket, buffer, static_cast<int32_t>(kHeadBlockSize), 0);
    if (got < 0) {
      ReportErrorText(kStem, __LINE__, kResultMessages[NetReadError]);
      return NetReadError;
    }
    if (got == 0) {
      reader.FinishAtClose();
      break;
    }
    size_t used = reader.Feed(buffer, static_cast<size_t>(got), {});
    if (reader.headDone()) pending->assign(buffer + used, static_cast<size_t>(got) - used);
  }
  if (!reader.headDone()) {
    ReportErrorText(kStem, __LINE__, reader.errorText());
    return ClientCode(reader.error());
  }
  return CheckHead(reader);
}

ResultCode WHttp::CheckHead(const HttpResponseReader& reader) {
  TakeHead(reader);
  if (status == 302) return HttpJump;
  if (status < 200 || status > 301) {
    ReportErrorText(kStem, __LINE__, kResultMessages[HttpTypeError]);
    return HttpTypeError;
  }
  if (reader.state() == HttpResponseReader::State::Failed) {
    ReportErrorText(kStem, __LINE__, reader.errorText());
    return ClientCode(reader.error());
  }
  // Coded bytes the caller cannot read are never handed over as the body.
  for (const std::string& coding : reader.head().ListValues("Content-Encoding")) {
    if (!ContentDecoder::ForCoding(coding)) {
      ReportErrorText(kStem, __LINE__, "unsupported content coding: " + coding);
      return HttpTypeError;
    }
  }
  std::string type = HeaderValue("Content-Type");
  std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
  utf8Text = type.find("charset=utf-8") != std::string::npos;
  return Success;
}
