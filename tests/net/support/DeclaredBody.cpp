#include "tests/net/support/DeclaredBody.h"

#include <strings.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

#include "net/ContentDecoderChain.h"

namespace {

using Kind = DeclaredBody::Kind;

struct Head {
  int status = 0;
  bool quirkOk = false;  // the status line as WHttp's own status parse accepts it
  std::vector<std::pair<std::string, std::string>> fields;
  bool judged = true;  // false for folded or odd field lines
};

bool IsTokenChar(unsigned char c) {
  return std::isalnum(c) || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// One head from `at`; false when it is malformed or never ends.
bool ReadHead(const std::string& answer, size_t* at, Head* head) {
  bool first = true;
  while (true) {
    size_t lf = answer.find('\n', *at);
    if (lf == std::string::npos) return false;
    std::string line = answer.substr(*at, lf - *at);
    *at = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (unsigned char c : line)
      if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    if (first) {
      first = false;
      if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 ||
          !std::isdigit(static_cast<unsigned char>(line[7])) || line[8] != ' ' ||
          (line.size() > 12 && line[12] != ' '))
        return false;
      for (int i = 9; i < 12; ++i)
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
      head->status = std::stoi(line.substr(9, 3));
      head->quirkOk = (line.compare(0, 9, "HTTP/1.1 ") == 0 || line.compare(0, 9, "HTTP/1.0 ") == 0) &&
                      line.size() > 12;
      if (head->status < 100) return false;
      continue;
    }
    if (line.empty()) return true;
    size_t colon = line.find(':');
    bool token = colon != std::string::npos && colon > 0;
    for (size_t i = 0; token && i < colon; ++i) token = IsTokenChar(static_cast<unsigned char>(line[i]));
    if (!token) {
      head->judged = false;
      continue;
    }
    head->fields.emplace_back(line.substr(0, colon), line.substr(colon + 1));
  }
}

// Elements of every `name` field, split at commas; empty ones are kept only
// when asked (an empty length is a bad length, an empty coding nothing).
std::vector<std::string> Elements(const Head& head, const char* name, bool keepEmpty = false) {
  std::vector<std::string> out;
  for (const auto& [field, value] : head.fields) {
    if (strcasecmp(field.c_str(), name) != 0) continue;
    size_t from = 0;
    while (true) {
      size_t comma = value.find(',', from);
      std::string element = Trim(value.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (keepEmpty || !element.empty()) out.push_back(element);
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
  }
  return out;
}

DeclaredBody Invalid() { return {Kind::Invalid, {}}; }
DeclaredBody Unknown() { return {Kind::Unknown, {}}; }

// A chunked body from `at`: its data, or Invalid when cut or malformed.
DeclaredBody Dechunk(const std::string& answer, size_t at) {
  std::string body;
  while (true) {
    size_t lf = answer.find('\n', at);
    if (lf == std::string::npos) return Invalid();
    std::string line = answer.substr(at, lf - at);
    at = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 1000) return Unknown();
    size_t digits = 0;
    uint64_t size = 0;
    while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) {
      if (size > (uint64_t{INT64_MAX} >> 4)) return Invalid();
      size = size * 16 + static_cast<uint64_t>(std::stoi(line.substr(digits, 1), nullptr, 16));
      ++digits;
    }
    if (digits == 0) return Invalid();
    size_t rest = line.find_first_not_of(" \t", digits);
    if (rest != std::string::npos && line[rest] != ';') return Invalid();
    for (unsigned char c : line)
      if ((c < 0x20 && c != '\t') || c == 0x7F) return Invalid();
    if (size == 0) return {Kind::Known, body};
    if (answer.size() - at < size) return Invalid();
    body.append(answer, at, size);
    at += size;
    if (answer.compare(at, 2, "\r\n") == 0) at += 2;
    else if (answer.compare(at, 1, "\n") == 0) at += 1;
    else return Invalid();
  }
}

DeclaredBody Framed(const std::string& answer, size_t at, const Head& head) {
  const std::vector<std::string> codings = Elements(head, "Transfer-Encoding");
  if (!codings.empty()) {
    if (codings.size() == 1 && strcasecmp(codings[0].c_str(), "chunked") == 0) return Dechunk(answer, at);
    return Unknown();
  }
  const std::vector<std::string> lengths = Elements(head, "Content-Length", true);
  if (lengths.empty()) return {Kind::Known, answer.substr(at)};
  int64_t length = -1;
  for (const std::string& text : lengths) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return Invalid();
    if (text.size() > 18) return Unknown();
    int64_t value = std::stoll(text);
    if (length >= 0 && value != length) return Invalid();
    length = value;
  }
  if (answer.size() - at < static_cast<uint64_t>(length)) return Invalid();
  return {Kind::Known, answer.substr(at, static_cast<size_t>(length))};
}

}  // namespace

DeclaredBody DeclaredBodyOf(const std::string& answer) {
  size_t at = 0;
  Head head;
  while (true) {
    head = Head();
    if (!ReadHead(answer, &at, &head)) return Invalid();
    if (head.status == 101) return Invalid();
    if (head.status >= 200) break;
  }
  if (!head.quirkOk || head.status > 301) return Invalid();
  if (!head.judged) return Unknown();
  if (head.status == 204) return {Kind::Known, {}};
  DeclaredBody raw = Framed(answer, at, head);
  if (raw.kind != Kind::Known) return raw;
  ContentDecoderChain decoders;
  if (!decoders.Build(Elements(head, "Content-Encoding"), UINT64_MAX, nullptr)) return Invalid();
  if (decoders.empty()) return raw;
  DeclaredBody decoded{Kind::Known, {}};
  auto keep = [&](const char* data, size_t size) {
    decoded.body.append(data, size);
    return true;
  };
  if (!decoders.Feed(raw.body.data(), raw.body.size(), keep) || !decoders.Finish(keep)) return Invalid();
  return decoded;
}
