// The response reader: two byte-driven state machines, one for the head and
// one for the body's framing. Every byte moves exactly one state, so where
// the answer was cut between reads cannot change the outcome.
#include "net/HttpResponseReader.h"

#include <strings.h>

#include <algorithm>
#include <climits>

#include "net/HttpCharClass.h"

namespace {

using namespace http_char;

// Extensions and blanks on one chunk size line; more fails the body.
constexpr size_t kMaxChunkLineExtras = 4096;

bool SameNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::string TrimTrailingBlanks(std::string text) {
  while (!text.empty() && Is(static_cast<unsigned char>(text.back()), kBlank)) text.pop_back();
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "HTTP/1.x NNN[ reason]".
bool ParseStatusLine(const std::string& line, HttpResponseHead* head) {
  if (line.size() < 12 || line.compare(0, 7, "HTTP/1.") != 0 || !IsDigit(line[7]) || line[8] != ' ') return false;
  if (!IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11])) return false;
  if (line.size() > 12 && line[12] != ' ') return false;
  head->versionMinor = line[7] - '0';
  head->status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  if (head->status < 100) return false;
  head->reason = line.size() > 13 ? line.substr(13) : std::string();
  head->statusLine = line;
  return true;
}

// A text short enough for an error message, with its controls made visible.
std::string Shown(std::string_view text) {
  std::string out;
  for (unsigned char c : text.substr(0, 40)) out.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
  return out;
}

struct LengthField {
  int64_t value = -1;  // -1: none
  std::string problem;
};

// One element of a Content-Length list; `before` is the value seen so far.
LengthField OneLength(std::string_view element, int64_t before) {
  size_t first = element.find_first_not_of(" \t");
  std::string_view text = first == std::string_view::npos
                              ? std::string_view()
                              : element.substr(first, element.find_last_not_of(" \t") - first + 1);
  int64_t value = 0;
  bool digits = !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
  for (size_t i = 0; digits && i < text.size(); ++i) {
    digits = value <= (INT64_MAX - 9) / 10;  // a length past 2^63 is no length
    if (digits) value = value * 10 + (text[i] - '0');
  }
  if (!digits) return {-1, "bad Content-Length: " + Shown(text)};
  if (before >= 0 && before != value)
    return {-1, "differing Content-Length values: " + std::to_string(before) + " and " + std::string(text)};
  return {value, {}};
}

// Every Content-Length value must be a plain decimal number, and repeats
// must agree.
LengthField ContentLengthOf(const HttpResponseHead& head) {
  LengthField result;
  for (const auto& [name, fieldValue] : head.fields) {
    if (strcasecmp(name.c_str(), "Content-Length") != 0) continue;
    std::string_view values = fieldValue;
    for (size_t comma = 0; comma != std::string_view::npos; values.remove_prefix(comma + 1)) {
      comma = values.find(',');
      LengthField one = OneLength(values.substr(0, comma), result.value);
      if (!one.problem.empty()) return one;
      result.value = one.value;
      if (comma == std::string_view::npos) break;
    }
  }
  return result;
}

}  // namespace

HttpResponseReader::HttpResponseReader(Options options) : options_(options) {}

HttpResponseReader::State HttpResponseReader::state() const { return state_; }
bool HttpResponseReader::headDone() const { return headDone_; }
const HttpResponseHead& HttpResponseReader::head() const { return head_; }
HttpResponseReader::Framing HttpResponseReader::framing() const { return framing_; }
int64_t HttpResponseReader::declaredLength() const { return declaredLength_; }
int64_t HttpResponseReader::bodyBytes() const { return bodyBytes_; }
ResultCode HttpResponseReader::error() const { return error_; }
const std::string& HttpResponseReader::errorText() const { return errorText_; }
const std::string& HttpResponseReader::rawHead() const { return raw_; }

bool HttpResponseReader::Fail(ResultCode code, std::string text) {
  if (state_ == State::Failed) return false;
  state_ = State::Failed;
  error_ = code;
  errorText_ = std::move(text);
  return false;
}

size_t HttpResponseReader::Feed(const char* data, size_t size, const BodySink& sink) {
  if (!data || size == 0) return 0;
  sink_ = &sink;
  size_t used = 0;
  if (state_ == State::Head) {
    used = FeedHead(data, size);
    if (state_ == State::Body && !options_.pauseAfterHead) used += FeedBody(data + used, size - used);
  } else if (state_ == State::Body) {
    used = FeedBody(data, size);
  }
  sink_ = nullptr;
  return used;
}

void HttpResponseReader::FinishAtClose() { FinishAtClose(BodySink()); }

void HttpResponseReader::FinishAtClose(const BodySink& sink) {
  sink_ = &sink;
  if (state_ == State::Head) {
    Fail(NetReadError, headBytesSeen_ == 0 ? "the server closed without answering"
                                           : "the server closed before the head ended");
  } else if (state_ == State::Body) {
    switch (bodyState_) {
      case BodyState::ToClose:
      // The last chunk arrived; only ignored trailer lines were cut.
      case BodyState::TrailerStart:
      case BodyState::TrailerLine:
      case BodyState::TrailerEndCR: CompleteBody(); break;
      case BodyState::Length:
        Fail(NetReadNotEnd, "the body ended " + std::to_string(remaining_) + " bytes short of its length");
        break;
      default: Fail(NetReadNotEnd, "the body ended before its last chunk"); break;
    }
  }
  sink_ = nullptr;
}

// ---- head ----

size_t HttpResponseReader::FeedHead(const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (++headBytesSeen_ > options_.maxHeadBytes) {
      Fail(NetReadError, "head longer than " + std::to_string(options_.maxHeadBytes) + " bytes");
      return i + 1;
    }
    raw_.push_back(data[i]);
    if (!HeadByte(static_cast<unsigned char>(data[i])) || state_ != State::Head) return i + 1;
  }
  return size;
}

bool HttpResponseReader::HeadByte(unsigned char byte) {
  const uint8_t cls = kTable[byte];
  switch (headState_) {
    case HeadState::StatusLine:
      if (cls & kCR) headState_ = HeadState::StatusLineCR;
      else if (cls & kLF) return FinishStatusLine();
      else if (cls & kControl) return Fail(NetReadError, "control character in the status line");
      else line_.push_back(static_cast<char>(byte));
      return true;
    case HeadState::StatusLineCR:
      if (cls & kLF) return FinishStatusLine();
      return Fail(NetReadError, "bare CR in the status line");
    case HeadState::LineStart:
      if (cls & kCR) {
        headState_ = HeadState::EndCR;
      } else if (cls & kLF) {
        return HeadComplete();
      } else if (cls & kBlank) {
        // A continuation line folds into the field before it; with no
        // field before it, it is skipped.
        if (fieldPending_) {
          fieldValue_.push_back(' ');
          fieldPending_ = false;
          skipBlanks_ = true;
          headState_ = HeadState::FieldValue;
        } else {
          headState_ = HeadState::SkipLine;
        }
      } else {
        CommitField();
        if (cls & kControl) return Fail(NetReadError, "control character in a header line");
        if (cls & kToken) {
          fieldName_.assign(1, static_cast<char>(byte));
          headState_ = HeadState::FieldName;
        } else {
          headState_ = HeadState::SkipLine;
        }
      }
      return true;
    case HeadState::EndCR:
      if (cls & kLF) return HeadComplete();
      return Fail(NetReadError, "bare CR in the head");
    case HeadState::FieldName:
      if (byte == ':') {
        fieldValue_.clear();
        skipBlanks_ = true;
        headState_ = HeadState::FieldValue;
      } else if (cls & kToken) {
        fieldName_.push_back(static_cast<char>(byte));
      } else if (cls & kCR) {
        headState_ = HeadState::SkipCR;  // a line without a colon is skipped
      } else if (cls & kLF) {
        headState_ = HeadState::LineStart;
      } else if (cls & kControl) {
        return Fail(NetReadError, "control character in a header line");
      } else {
        headState_ = HeadState::SkipLine;  // a name that is not a token
      }
      return true;
    case HeadState::FieldValue:
      if (cls & kCR) {
        headState_ = HeadState::ValueCR;
      } else if (cls & kLF) {
        fieldPending_ = true;
        headState_ = HeadState::LineStart;
      } else if (cls & kControl) {
        return Fail(NetReadError, "control character in the value of " + Shown(fieldName_));
      } else if (!(skipBlanks_ && (cls & kBlank))) {
        skipBlanks_ = false;
        fieldValue_.push_back(static_cast<char>(byte));
      }
      return true;
    case HeadState::ValueCR:
      if (!(cls & kLF)) return Fail(NetReadError, "bare CR in the value of " + Shown(fieldName_));
      fieldPending_ = true;
      headState_ = HeadState::LineStart;
      return true;
    case HeadState::SkipLine:
      if (cls & kCR) headState_ = HeadState::SkipCR;
      else if (cls & kLF) headState_ = HeadState::LineStart;
      else if (cls & kControl) return Fail(NetReadError, "control character in a header line");
      return true;
    case HeadState::SkipCR:
      if (!(cls & kLF)) return Fail(NetReadError, "bare CR in a header line");
      headState_ = HeadState::LineStart;
      return true;
  }
  return true;
}

bool HttpResponseReader::FinishStatusLine() {
  if (!ParseStatusLine(line_, &head_))
    return Fail(HttpTypeError, "not an HTTP/1.x status line: " + Shown(line_));
  line_.clear();
  headState_ = HeadState::LineStart;
  return true;
}

void HttpResponseReader::CommitField() {
  if (!fieldPending_) return;
  head_.fields.emplace_back(std::move(fieldName_), TrimTrailingBlanks(std::move(fieldValue_)));
  fieldName_.clear();
  fieldValue_.clear();
  fieldPending_ = false;
}

bool HttpResponseReader::HeadComplete() {
  CommitField();
  if (head_.status == 101) return Fail(NetReadError, "the server switched protocols, which was not asked for");
  if (head_.status < 200) {
    // An interim answer: the real one follows.
    head_ = HttpResponseHead();
    raw_.clear();
    headState_ = HeadState::StatusLine;
    return true;
  }
  headDone_ = true;
  state_ = State::Body;
  return ChooseFraming();
}

bool HttpResponseReader::ChooseFraming() {
  std::vector<std::string> codings = head_.ListValues("Transfer-Encoding");
  // "chunked" said twice (in one list or on two lines) frames the body once.
  while (codings.size() >= 2 && SameNoCase(codings.back(), "chunked") && SameNoCase(codings[codings.size() - 2], "chunked"))
    codings.pop_back();
  LengthField length = ContentLengthOf(head_);
  // A Transfer-Encoding overrides any length.
  if (codings.empty() && length.problem.empty()) declaredLength_ = length.value;
  const int status = head_.status;
  if (options_.headRequest || status == 204 || status == 304) {
    framing_ = Framing::None;
    return CompleteBody();
  }
  if (!codings.empty()) {
    for (size_t i = 0; i + 1 < codings.size(); ++i)
      if (SameNoCase(codings[i], "chunked")) return Fail(NetReadError, "chunked is not the last transfer coding");
    const bool chunked = SameNoCase(codings.back(), "chunked");
    if (!SetUpTransferCodings({codings.begin(), chunked ? codings.end() - 1 : codings.end()})) return false;
    framing_ = chunked ? Framing::Chunked : Framing::ToClose;
    bodyState_ = chunked ? BodyState::ChunkSize : BodyState::ToClose;
    return true;
  }
  if (!length.problem.empty()) return Fail(NetReadError, length.problem);
  if (declaredLength_ < 0) {
    framing_ = Framing::ToClose;
    bodyState_ = BodyState::ToClose;
    return true;
  }
  framing_ = Framing::Length;
  bodyState_ = BodyState::Length;
  remaining_ = static_cast<uint64_t>(declaredLength_);
  return remaining_ > 0 || CompleteBody();
}

bool HttpResponseReader::SetUpTransferCodings(const std::vector<std::string>& codings) {
  std::string unknown;
  if (transferCodings_.Build(codings, options_.maxDecodedBytes, &unknown)) return true;
  return Fail(HttpTypeError, "unsupported transfer coding: " + Shown(unknown));
}

// ---- body ----

size_t HttpResponseReader::FeedBody(const char* data, size_t size) {
  size_t at = 0;
  while (at < size && state_ == State::Body) {
    if (bodyState_ == BodyState::ToClose) {
      Deliver(data + at, size - at);
      at = size;
    } else if (bodyState_ == BodyState::Length || bodyState_ == BodyState::ChunkData) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(remaining_, size - at));
      if (!Deliver(data + at, n)) return at + n;
      at += n;
      remaining_ -= n;
      if (remaining_ > 0) continue;
      if (bodyState_ == BodyState::ChunkData) bodyState_ = BodyState::ChunkDataEnd;
      else CompleteBody();
    } else if (!ChunkLineByte(static_cast<unsigned char>(data[at++]))) {
      return at;
    }
  }
  return at;
}

bool HttpResponseReader::ChunkLineByte(unsigned char byte) {
  const uint8_t cls = kTable[byte];
  switch (bodyState_) {
    case BodyState::ChunkSize:
      if (cls & kHex) {
        if (chunkSize_ > (uint64_t{INT64_MAX} >> 4)) return Fail(NetReadError, "chunk size overflows");
        chunkSize_ = chunkSize_ * 16 + static_cast<uint64_t>(HexValue(byte));
        ++chunkDigits_;
        return true;
      }
      if (chunkDigits_ == 0) return Fail(NetReadError, "chunk size line does not start with a hexadecimal digit");
      [[fallthrough]];
    case BodyState::ChunkSizeBlank:
      if (cls & kBlank) bodyState_ = BodyState::ChunkSizeBlank;
      else if (byte == ';') bodyState_ = BodyState::ChunkExtension;
      else if (cls & kCR) bodyState_ = BodyState::ChunkSizeCR;
      else if (cls & kLF) return EndOfChunkSizeLine();
      else return Fail(NetReadError, "unexpected character in a chunk size line");
      if (++chunkLineBytes_ > kMaxChunkLineExtras) return Fail(NetReadError, "chunk size line too long");
      return true;
    case BodyState::ChunkExtension:
      if (cls & kCR) bodyState_ = BodyState::ChunkSizeCR;
      else if (cls & kLF) return EndOfChunkSizeLine();
      else if (cls & kControl) return Fail(NetReadError, "control character in a chunk extension");
      else if (++chunkLineBytes_ > kMaxChunkLineExtras) return Fail(NetReadError, "chunk size line too long");
      return true;
    case BodyState::ChunkSizeCR:
      if (cls & kLF) return EndOfChunkSizeLine();
      return Fail(NetReadError, "bare CR in a chunk size line");
    case BodyState::ChunkDataEnd:
      if (cls & kCR) bodyState_ = BodyState::ChunkDataCR;
      else if (cls & kLF) bodyState_ = BodyState::ChunkSize;
      else return Fail(NetReadError, "chunk data longer than its size line says");
      return true;
    case BodyState::ChunkDataCR:
      if (!(cls & kLF)) return Fail(NetReadError, "bare CR after chunk data");
      bodyState_ = BodyState::ChunkSize;
      return true;
    case BodyState::TrailerStart:
      if (cls & kCR) bodyState_ = BodyState::TrailerEndCR;
      else if (cls & kLF) return CompleteBody();
      else bodyState_ = BodyState::TrailerLine;
      break;
    case BodyState::TrailerLine:
      if (cls & kLF) bodyState_ = BodyState::TrailerStart;
      break;
    case BodyState::TrailerEndCR:
      if (cls & kLF) return CompleteBody();
      return Fail(NetReadError, "bare CR in the trailer");
    default: return true;
  }
  // Trailer lines are read and ignored, within the same cap as a head.
  if (++trailerBytes_ > options_.maxHeadBytes) return Fail(NetReadError, "trailer too long");
  return true;
}

bool HttpResponseReader::EndOfChunkSizeLine() {
  if (chunkSize_ == 0) {
    bodyState_ = BodyState::TrailerStart;
  } else {
    remaining_ = chunkSize_;
    bodyState_ = BodyState::ChunkData;
  }
  chunkSize_ = 0;
  chunkDigits_ = 0;
  chunkLineBytes_ = 0;
  return true;
}

bool HttpResponseReader::ToSink(const char* data, size_t size) {
  bodyBytes_ += static_cast<int64_t>(size);
  if (sink_ && *sink_ && !(*sink_)(data, size)) return Fail(OpenFileError, "stopped by the receiver");
  return true;
}

bool HttpResponseReader::Deliver(const char* data, size_t size) {
  if (size == 0) return true;
  auto toSink = [this](const char* d, size_t n) { return ToSink(d, n); };
  if (transferCodings_.Feed(data, size, toSink)) return true;
  return Fail(NetReadError, "transfer coding: " + transferCodings_.errorText());
}

bool HttpResponseReader::CompleteBody() {
  auto toSink = [this](const char* d, size_t n) { return ToSink(d, n); };
  if (!transferCodings_.Finish(toSink)) return Fail(NetReadError, "transfer coding: " + transferCodings_.errorText());
  if (state_ == State::Failed) return false;
  state_ = State::Done;
  return true;
}
