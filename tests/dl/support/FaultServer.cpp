#include "tests/dl/support/FaultServer.h"

#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr int64_t kBaseModified = 1700000000;  // a fixed past, so every run names the same dates

std::string HttpDate(time_t when) {
  tm parts{};
  gmtime_r(&when, &parts);
  char text[64];
  strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
  return text;
}

struct ByteRange {
  bool asked = false;
  int64_t from = 0;
  int64_t last = -1;  // -1: to the end
};

// "bytes=A-" or "bytes=A-B"; anything else counts as no Range, as a plain
// server would treat it.
ByteRange ParseRange(const std::string& value) {
  ByteRange range;
  if (!value.starts_with("bytes=")) return range;
  const char* begin = value.data() + 6;
  const char* end = value.data() + value.size();
  auto [dash, error] = std::from_chars(begin, end, range.from);
  if (error != std::errc() || dash == end || *dash != '-') return range;
  if (dash + 1 != end && std::from_chars(dash + 1, end, range.last).ptr != end) return range;
  range.asked = range.from >= 0 && (range.last < 0 || range.last >= range.from);
  return range;
}

bool Stickable(Fault fault) {
  switch (fault) {
    case Fault::CutSamePlace:
    case Fault::RestartAndCut:
    case Fault::IgnoreRange:
    case Fault::WrongContentRange:
    case Fault::RangeNotSatisfiable:
    case Fault::WebPage:
    case Fault::Unavailable:
    case Fault::ShortLength:
    case Fault::EmptyPartial:
      return true;
    default:
      return false;
  }
}

std::string Chunked(std::string_view body, size_t chunk) {
  std::string out;
  for (size_t at = 0; at < body.size(); at += chunk) {
    size_t take = std::min(chunk, body.size() - at);
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", take);
    out += size;
    out.append(body.substr(at, take));
    out += "\r\n";
  }
  return out + "0\r\n\r\n";
}

}  // namespace

struct FaultServer::Plan {
  int status = 200;
  std::string head;             // status line and header lines, without the blank line
  std::string_view body;        // what the head announces
  std::string owned;            // backs `body` when it is not a version's bytes
  int64_t cutAfter = -1;        // hang up after this many body bytes
  int64_t stallAfter = -1;      // fall silent after this many body bytes ...
  int stallMs = 0;              // ... this long ...
  bool hangUpAfterStall = false;  // ... and then hang up instead of going on
  int64_t pace = 0;
  Fault fault = Fault::None;
  std::string detail;
};

const char* FaultName(Fault fault) {
  static const char* const kNames[] = {
      "none",         "cut anywhere",    "cut at the same place", "ignore Range and cut", "stall",
      "trickle",      "ignore Range",    "ignore If-Range",       "wrong Content-Range",  "416",
      "web page",     "unavailable",     "new version",           "short length",         "206 without body",
      "cut chunked"};
  static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(Fault::kCount));
  return kNames[static_cast<size_t>(fault)];
}

const std::string& FaultServer::WebPage() {
  static const std::string page = [] {
    std::string text =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Link expired</title></head>\n"
        "<body><h1>This link has expired</h1>\n<p>The download you asked for is no longer available "
        "at this address. Sign in again to get a new link.</p>\n<p><a href=\"/login\">Sign in</a></p>\n"
        "</body></html>\n";
    text.insert(text.size() - 15, std::string(339 - text.size(), ' '));
    return text;
  }();
  return page;
}

FaultServer::FaultServer(FaultSettings settings)
    : settings_(std::move(settings)),
      random_(settings_.seed),
      http_([this](const HttpRequest& request, ServerPeer& peer, size_t) { Handle(request, peer); }) {
  // Drawn before the first request so that the server's nature does not
  // depend on when its requests come.
  std::lock_guard lock(mutex_);
  size_t size = std::max<size_t>(settings_.size, 16);
  for (int k = 0; k < std::max(settings_.versions, 1); ++k) {
    size_t length = size;
    if (k > 0 && random_() % 2) length = size - size / 10 + random_() % (size / 5);
    char tag[64];
    std::snprintf(tag, sizeof tag, "\"%llx-v%d\"", static_cast<unsigned long long>(settings_.seed), k);
    versions_.push_back({PatternBytes(length, static_cast<uint32_t>(settings_.seed * 31 + static_cast<uint64_t>(k))),
                         tag, HttpDate(static_cast<time_t>(kBaseModified + 86400LL * k))});
  }
  ignoresIfRange_ = random_() % 4 == 0;
  sticky_ = static_cast<double>(random_() >> 11) * 0x1.0p-53 < settings_.stickyChance;
  cutOffset_ = static_cast<int64_t>(size / 4 + random_() % (size / 2));
}

std::vector<ServedRequest> FaultServer::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

size_t FaultServer::requests() const {
  std::lock_guard lock(mutex_);
  return log_.size();
}

std::string FaultServer::Describe() const {
  std::lock_guard lock(mutex_);
  std::string text = "server seed " + std::to_string(settings_.seed) + (ignoresIfRange_ ? ", ignores If-Range" : "") +
                     (sticky_ ? ", keeps its first fault" : "") + ", cut offset " + std::to_string(cutOffset_) + "\n";
  for (size_t i = 0; i < log_.size(); ++i) {
    const ServedRequest& served = log_[i];
    text += "  #" + std::to_string(i) + " Range '" + served.range + "' If-Range '" + served.ifRange + "' -> v" +
            std::to_string(served.version) + " " + std::to_string(served.status) + " " + FaultName(served.fault) +
            (served.detail.empty() ? "" : " (" + served.detail + ")") + "\n";
  }
  return text;
}

void FaultServer::Handle(const HttpRequest& request, ServerPeer& peer) { Send(Decide(request), peer); }

Fault FaultServer::DrawFault() {
  if (stuck_ != Fault::None) return stuck_;
  if (static_cast<double>(random_() >> 11) * 0x1.0p-53 >= settings_.rate) return Fault::None;
  Fault fault;
  if (settings_.kinds.empty()) {
    fault = static_cast<Fault>(1 + random_() % (static_cast<uint64_t>(Fault::kCount) - 1));
  } else {
    fault = settings_.kinds[random_() % settings_.kinds.size()];
  }
  if (sticky_ && Stickable(fault)) stuck_ = fault;
  return fault;
}

// The answer an honest server would give, before a fault changes it.
struct FaultServer::Shape {
  const FileVersion* version = nullptr;
  int64_t size = 0;
  ByteRange range;
  bool partial = false;
  int64_t from = 0;
  int64_t last = -1;
  std::string contentRange;
  std::string validators;
};

namespace {

const char kFileType[] = "Content-Type: application/octet-stream\r\n";

std::string ContentRange(int64_t from, int64_t last, int64_t total) {
  return "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(last) + "/" + std::to_string(total) +
         "\r\n";
}

std::string Refusal(int64_t size) {
  return "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(size) +
         "\r\nContent-Length: 0\r\n";
}

}  // namespace

int64_t FaultServer::Below(int64_t bound) {
  return bound > 0 ? static_cast<int64_t>(random_() % static_cast<uint64_t>(bound)) : 0;
}

FaultServer::Plan FaultServer::Decide(const HttpRequest& request) {
  std::lock_guard lock(mutex_);
  ServedRequest served;
  served.range = request.Header("Range");
  served.ifRange = request.Header("If-Range");
  Plan plan;
  plan.pace = settings_.pace;
  plan.fault = DrawFault();
  Shape shape = ShapeAnswer(served, plan.fault);
  ReplaceAnswer(shape, plan, served);
  if (plan.head.empty()) FileAnswer(shape, plan, served);
  plan.head += "Connection: close\r\n\r\n";
  served.fault = plan.fault;
  served.version = current_;
  served.status = plan.status;
  log_.push_back(std::move(served));
  return plan;
}

FaultServer::Shape FaultServer::ShapeAnswer(const ServedRequest& served, Fault fault) {
  if ((fault == Fault::NewVersion || fault == Fault::IgnoreIfRange) && current_ + 1 < static_cast<int>(versions_.size()))
    ++current_;
  Shape shape;
  shape.version = &versions_[static_cast<size_t>(current_)];
  shape.size = static_cast<int64_t>(shape.version->body.size());
  shape.range = ParseRange(served.range);
  const bool validatorHolds = served.ifRange.empty() || served.ifRange == shape.version->etag ||
                              served.ifRange == shape.version->lastModified;
  shape.partial = shape.range.asked && (validatorHolds || ignoresIfRange_ || fault == Fault::IgnoreIfRange);
  if (fault == Fault::RestartAndCut || fault == Fault::ShortLength || fault == Fault::IgnoreRange)
    shape.partial = false;
  shape.from = shape.partial ? shape.range.from : 0;
  shape.last = shape.partial && shape.range.last >= 0 ? std::min(shape.range.last, shape.size - 1) : shape.size - 1;
  shape.contentRange = shape.partial ? ContentRange(shape.from, shape.last, shape.size) : "";
  shape.validators = "ETag: " + shape.version->etag + "\r\nLast-Modified: " + shape.version->lastModified + "\r\n";
  return shape;
}

// Faults that answer with something else than the file's bytes (or name
// them wrongly); a fault that does not fit the request is dropped.
void FaultServer::ReplaceAnswer(Shape& shape, Plan& plan, ServedRequest& served) {
  // A range that starts past the end is refused, as by any server.
  if (shape.partial && shape.from >= shape.size && plan.fault != Fault::WebPage && plan.fault != Fault::Unavailable) {
    plan.fault = Fault::None;
    plan.status = 416;
    plan.head = Refusal(shape.size);
    served.detail = "the range starts past the end";
    return;
  }
  switch (plan.fault) {
    case Fault::WebPage:
      plan.status = 200;
      plan.body = WebPage();
      plan.head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                  std::to_string(plan.body.size()) + "\r\n";
      break;
    case Fault::Unavailable: {
      plan.status = random_() % 2 ? 503 : 429;
      int64_t seconds = Below(settings_.maxDelayMs / 1000 + 1);
      std::string after = random_() % 2 ? std::to_string(seconds) : HttpDate(time(nullptr) + 1 + seconds);
      plan.owned = "try again later\n";
      plan.body = plan.owned;
      plan.head = std::string("HTTP/1.1 ") + (plan.status == 503 ? "503 Service Unavailable" : "429 Too Many Requests") +
                  "\r\nContent-Type: text/plain\r\nRetry-After: " + after +
                  "\r\nContent-Length: " + std::to_string(plan.body.size()) + "\r\n";
      served.detail = "Retry-After: " + after;
      break;
    }
    case Fault::RangeNotSatisfiable:
      if (!shape.range.asked) {
        plan.fault = Fault::None;
        break;
      }
      plan.status = 416;
      plan.head = Refusal(shape.size);
      break;
    case Fault::ShortLength: {
      if (!shape.range.asked) {
        plan.fault = Fault::None;
        break;
      }
      int64_t shorter = 1 + Below(shape.size - 1);
      plan.status = 200;
      plan.body = std::string_view(shape.version->body).substr(0, static_cast<size_t>(shorter));
      plan.head = "HTTP/1.1 200 OK\r\n" + std::string(kFileType) + "Content-Length: " + std::to_string(shorter) +
                  "\r\n" + shape.validators;
      served.detail = "declares " + std::to_string(shorter) + " of " + std::to_string(shape.size);
      break;
    }
    case Fault::WrongContentRange:
      if (!shape.partial) {
        plan.fault = Fault::None;
        break;
      }
      if (random_() % 2 && shape.last + 1 < shape.size) {
        shape.from = std::min(shape.last, shape.from + 1 + Below(4096));
        served.detail = "sends from " + std::to_string(shape.from) + " instead of " + std::to_string(shape.range.from);
        shape.contentRange = ContentRange(shape.from, shape.last, shape.size);
      } else {
        int64_t total = shape.size + 1 + Below(1 << 16);
        served.detail = "names total " + std::to_string(total);
        shape.contentRange = ContentRange(shape.from, shape.last, total);
      }
      break;
    case Fault::EmptyPartial:
      if (!shape.partial) {
        plan.fault = Fault::None;
        break;
      }
      if (random_() % 2) {
        plan.status = 206;
        plan.head = "HTTP/1.1 206 Partial Content\r\n" + std::string(kFileType) + shape.contentRange +
                    "Content-Length: 0\r\n" + shape.validators;
        served.detail = "declared empty";
      } else {
        plan.cutAfter = 0;
        served.detail = "hangs up after the head";
      }
      break;
    default:
      break;
  }
}

// The file's bytes as shaped, and the faults that spoil their sending.
void FaultServer::FileAnswer(const Shape& shape, Plan& plan, ServedRequest& served) {
  plan.status = shape.partial ? 206 : 200;
  plan.body = std::string_view(shape.version->body)
                  .substr(static_cast<size_t>(shape.from), static_cast<size_t>(shape.last + 1 - shape.from));
  plan.head = std::string(shape.partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n") + kFileType +
              shape.contentRange + shape.validators + "Accept-Ranges: bytes\r\n";
  const int64_t length = static_cast<int64_t>(plan.body.size());
  switch (plan.fault) {
    case Fault::CutAnywhere:
      plan.cutAfter = Below(length);
      break;
    case Fault::CutSamePlace:
    case Fault::RestartAndCut:
      if (cutOffset_ >= shape.from && cutOffset_ < shape.from + length) plan.cutAfter = cutOffset_ - shape.from;
      break;
    case Fault::Stall:
      plan.stallAfter = Below(length);
      plan.stallMs = 100 + static_cast<int>(Below(settings_.maxDelayMs));
      plan.hangUpAfterStall = random_() % 2;
      served.detail = std::to_string(plan.stallMs) + " ms" + (plan.hangUpAfterStall ? ", then hangs up" : "");
      break;
    case Fault::Trickle:
      plan.pace = 4096 + Below(28672);
      plan.cutAfter = std::min(length, plan.pace * (200 + Below(settings_.maxDelayMs)) / 1000);
      served.detail = std::to_string(plan.pace) + " B/s";
      break;
    default:
      break;
  }
  if (plan.fault == Fault::CutChunked && length > 0) {
    plan.owned = Chunked(plan.body, static_cast<size_t>(4096 + Below(60000)));
    plan.body = plan.owned;
    // At a chunk boundary, or anywhere; never the closing chunk.
    const auto framed = static_cast<int64_t>(plan.owned.size());
    plan.cutAfter = random_() % 2 ? framed - 5 : Below(framed - 5);
    plan.head += "Transfer-Encoding: chunked\r\n";
  } else {
    plan.head += "Content-Length: " + std::to_string(length) + "\r\n";
  }
  if (plan.cutAfter >= 0)
    served.detail += (served.detail.empty() ? "" : ", ") + std::string("cut after ") + std::to_string(plan.cutAfter) +
                     " bytes";
}

void FaultServer::Send(const Plan& plan, ServerPeer& peer) const {
  if (!peer.Send(plan.head)) return;
  std::string_view body = plan.body;
  if (plan.cutAfter >= 0 && plan.cutAfter < static_cast<int64_t>(body.size()))
    body = body.substr(0, static_cast<size_t>(plan.cutAfter));
  if (plan.stallAfter >= 0 && plan.stallAfter < static_cast<int64_t>(body.size())) {
    if (!peer.SendPaced(body.substr(0, static_cast<size_t>(plan.stallAfter)), plan.pace)) return;
    peer.Silence(plan.stallMs);
    if (plan.hangUpAfterStall) return;
    body.remove_prefix(static_cast<size_t>(plan.stallAfter));
  }
  peer.SendPaced(body, plan.pace);
}
