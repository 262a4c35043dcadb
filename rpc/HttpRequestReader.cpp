#include "rpc/HttpRequestReader.h"

#include "base/AsciiText.h"

namespace rpc {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsToken(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c <= ' ' || c >= 0x7f || c == ':' || c == '"' || c == '(' || c == ')' || c == ',') return false;
  }
  return true;
}

// Content-Length: digits only, no sign, no list, and not beyond what a
// size_t holds; anything else is a request we cannot frame safely.
bool ParseLength(std::string_view text, std::size_t& out) {
  if (text.empty() || text.size() > 18) return false;
  out = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<std::size_t>(c - '0');
  }
  return true;
}

}  // namespace

std::string HttpRequest::Header(std::string_view lowerName) const {
  for (const auto& [name, value] : headers) {
    if (name == lowerName) return value;
  }
  return {};
}

bool HttpRequest::KeepAlive() const {
  const std::string connection = Lower(Header("connection"));
  if (version == "HTTP/1.0") return connection.find("keep-alive") != std::string::npos;
  return connection.find("close") == std::string::npos;
}

HttpRequestReader::State HttpRequestReader::Fail(int code, std::string text) {
  status = code;
  reason = std::move(text);
  state = State::Failed;
  return state;
}

bool HttpRequestReader::ParseHead(std::string_view head) {
  std::size_t lineEnd = head.find("\r\n");
  const std::string_view requestLine = head.substr(0, lineEnd);
  const std::size_t firstSpace = requestLine.find(' ');
  const std::size_t lastSpace = requestLine.rfind(' ');
  if (firstSpace == std::string_view::npos || lastSpace == firstSpace) return false;
  current.method = std::string(requestLine.substr(0, firstSpace));
  current.target = std::string(requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1));
  current.version = std::string(requestLine.substr(lastSpace + 1));
  if (!IsToken(current.method) || current.target.empty() || current.target.find(' ') != std::string::npos) return false;
  if (current.version != "HTTP/1.1" && current.version != "HTTP/1.0") return false;
  while (lineEnd != std::string_view::npos && lineEnd + 2 < head.size()) {
    const std::size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string_view line = head.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return false;
    current.headers.emplace_back(Lower(line.substr(0, colon)), std::string(TrimSpaceTab(line.substr(colon + 1))));
  }
  return true;
}

HttpRequestReader::State HttpRequestReader::Feed(std::string_view bytes) {
  if (state == State::Failed) return state;
  buffer.append(bytes);
  return Advance();
}

HttpRequestReader::State HttpRequestReader::Advance() {
  if (state == State::Ready) return state;
  if (!headDone) {
    const std::size_t end = buffer.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (buffer.size() > kHeadCap) return Fail(431, "the request head is too large");
      return State::NeedMore;
    }
    if (end + 4 > kHeadCap) return Fail(431, "the request head is too large");
    current = HttpRequest{};
    if (!ParseHead(std::string_view(buffer).substr(0, end + 2))) return Fail(400, "the request head is malformed");
    if (current.headers.size() > kHeaderCountCap) return Fail(431, "the request has too many header fields");
    if (!current.Header("transfer-encoding").empty()) return Fail(501, "only bodies with a Content-Length are read");
    bodyLength = 0;
    const std::string length = current.Header("content-length");
    if (!length.empty() && !ParseLength(length, bodyLength)) return Fail(400, "the Content-Length is malformed");
    if (bodyLength > bodyCap) return Fail(413, "the request body is larger than " + std::to_string(bodyCap) + " bytes");
    headDone = true;
    headLength = end + 4;
  }
  if (buffer.size() - headLength < bodyLength) return State::NeedMore;
  current.body = buffer.substr(headLength, bodyLength);
  state = State::Ready;
  return state;
}

HttpRequest HttpRequestReader::Take() {
  HttpRequest out = std::move(current);
  if (state == State::Ready) buffer.erase(0, headLength + bodyLength);
  current = HttpRequest{};
  headDone = false;
  headLength = bodyLength = 0;
  state = State::NeedMore;
  return out;
}

std::string HttpRequestReader::TakeRest() {
  std::string rest = std::move(buffer);
  buffer.clear();
  return rest;
}

}  // namespace rpc
