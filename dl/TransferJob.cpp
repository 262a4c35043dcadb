#include "dl/TransferJob.h"

#include <algorithm>

#include "dl/FileNaming.h"
#include "net/ContentRange.h"
#include "net/GetRequest.h"
#include "dl/LimitedReceive.h"
#include "dl/RateLimiter.h"
#include "dl/Digest.h"
#include "dl/FinalMove.h"
#include "dl/NonWebTypes.h"
#include "dl/RetryAfter.h"
#include "dl/stream/StreamDetect.h"
#include "platform/DiskSpace.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace {

using Step = TransferJob::Step;

constexpr size_t kBufferBytes = 256 * 1024;
constexpr int kSliceMs = 200;
constexpr int kMaxRedirects = 10;

// Smaller files are done before extra connections would pay off.
constexpr int64_t kMinSplitBytes = 4 << 20;

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string StrongEtag(const std::string& etag) { return etag.starts_with("W/") ? std::string() : etag; }

bool Differs(const std::string& ours, const std::string& theirs) {
  return !ours.empty() && !theirs.empty() && ours != theirs;
}

std::string HumanSize(int64_t bytes) {
  if (bytes < 0) return "unknown length";
  const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  int64_t scaled = bytes;
  while (scaled >= 1024 * 10 && unit < 4) scaled /= 1024, ++unit;
  return std::to_string(scaled) + " " + units[unit];
}

std::string DigestDisplayName(const std::string& algorithm) {
  if (algorithm == "sha256") return "SHA-256";
  if (algorithm == "sha512") return "SHA-512";
  if (algorithm == "sha1") return "SHA-1";
  return "MD5";
}

std::string Range(int64_t first, int64_t last, int64_t complete) {
  return std::to_string(first) + "-" + std::to_string(last) + "/" +
         (complete < 0 ? std::string("*") : std::to_string(complete));
}

}  // namespace

TransferJob::TransferJob(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit)
    : setup_(setup), host_(host), taskLimit_(taskLimit), globalLimit_(globalLimit), name_(setup.name) {
  record_.source = setup.url;
}

TransferJob::StepResult TransferJob::Next(Step step) { return StepResult{step, FailureCause::None, Success, {}, {}, {}}; }

TransferJob::StepResult TransferJob::Abort(Step step, FailureCause cause, ResultCode code, std::string error) {
  return StepResult{step, cause, code, std::move(error), {}, {}};
}

TransferJob::StepResult TransferJob::DiskFailure(const std::string& what, int error) {
  return Abort(Step::Fail, FailureCause::Disk, OpenFileError, what + ": " + platform::ErrorText(error));
}

TransferJob::~TransferJob() = default;

int TransferJob::TruncatePart(int64_t size) {
  // A record being saved may describe the bytes about to go.
  checkpointer_.Wait();
  return file_.Truncate(size);
}

bool TransferJob::OpenPart(bool keepContent) {
  checkpointer_.Wait();
  partPath_ = setup_.folder + "/" + name_ + ".part";
  int error = file_.Open(partPath_);
  if (!error && !keepContent) error = file_.Truncate(0);
  if (error) {
    abort_ = DiskFailure("cannot open " + partPath_, error);
    return false;
  }
  return true;
}

std::optional<TransferJob::StepResult> TransferJob::Prepare() {
  buffer_ = std::make_unique<char[]>(kBufferBytes);
  if (name_.empty()) return std::nullopt;  // named by the first answer
  partPath_ = setup_.folder + "/" + name_ + ".part";
  host_.Named(name_, setup_.folder + "/" + name_);
  PartRecord found;
  std::string why;
  if (!LoadPartRecord(PartRecordPath(partPath_), found, why)) return std::nullopt;
  refreshed_ = !setup_.previousUrl.empty() && found.source == setup_.previousUrl;
  if (found.source != setup_.url && !refreshed_) return std::nullopt;
  if (!OpenPart(true)) return abort_;
  record_ = found;
  known_ = true;
  if (refreshed_) {
    // The new link answers for the same file or not at all: its first
    // answer is checked against what the record knows.
    record_.source = setup_.url;
    record_.url = setup_.url;
  }
  bool scattered = record_.resumable && CoveredBytes(record_.done) > record_.ContiguousDone();
  if (scattered) {
    // Fetched over several connections: every range sits at its place in a
    // file made full size first. Ranges the file cannot hold are dropped.
    ByteRanges held;
    int64_t size = file_.Size();
    for (const auto& [start, end] : record_.done)
      if (end <= size) AddByteRange(held, start, end);
    record_.done = held;
    offset_ = record_.ContiguousDone();
    host_.Progress(CoveredBytes(record_.done), record_.total);
    return std::nullopt;
  }
  int64_t kept = record_.resumable ? record_.ContiguousDone() : 0;
  // Bytes beyond the record were written after its last save and may not
  // have reached the disk; a part shorter than the record cannot be trusted.
  if (file_.Size() < kept) kept = 0;
  if (int error = TruncatePart(kept))
    return DiskFailure("cannot trim " + partPath_, error);
  offset_ = kept;
  record_.done.clear();
  record_.AddDone(0, offset_);
  host_.Progress(offset_, record_.total);
  return std::nullopt;
}

HeaderList TransferJob::RequestHeaders() const {
  HeaderList headers{{"Accept-Encoding", "identity"}};
  if (askedRange_) {
    headers.emplace_back("Range", "bytes=" + std::to_string(offset_) + "-");
    std::string validator = !record_.etag.empty() ? record_.etag : record_.lastModified;
    if (!validator.empty()) headers.emplace_back("If-Range", validator);
  }
  headers.insert(headers.end(), setup_.headers.begin(), setup_.headers.end());
  return headers;
}

TransferJob::StepResult TransferJob::Attempt(int64_t stallMs) {
  progressed_ = false;
  stallMs_ = std::max<int64_t>(stallMs, 1000);
  if (segments_) return AttemptSegmented();
  if (!record_.resumable && offset_ > 0) {
    // Without a length or with a coded body the server's bytes cannot be
    // matched to ours: start over.
    if (int error = TruncatePart(0))
      return DiskFailure("cannot trim " + partPath_, error);
    offset_ = 0;
    record_.done.clear();
  }
  std::string url = setup_.url;
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    StepResult result = Exchange(url);
    if (result.step != Step::Redirect) return result;
    url = result.redirect;
  }
  return Abort(Step::Fail, FailureCause::Redirect, HttpJump,
               "more than " + std::to_string(kMaxRedirects) + " redirects");
}

TransferJob::StepResult TransferJob::Exchange(const std::string& url) {
  HttpUrl parsed;
  std::string error;
  if (!ParseHttpUrl(url, parsed, error)) {
    // The URL as added was checked then; a bad one now came from a redirect.
    FailureCause cause = url == setup_.url ? FailureCause::BadInput : FailureCause::Redirect;
    return Abort(Step::Fail, cause, HttpUrlError, error + ": " + url);
  }
  askedRange_ = offset_ > 0 && record_.resumable;
  GetFailure failure;
  auto connection = SendGet(parsed, RequestHeaders(), ReceiveBufferFor(SpeedLimits{taskLimit_, globalLimit_}),
                            static_cast<int>(stallMs_), [this] { return host_.StopRequested(); }, failure);
  if (!connection) {
    if (failure.stopped) return Next(Step::Stop);
    return Abort(failure.permanent ? Step::Fail : Step::Retry, failure.cause,
                 failure.connected ? NetSendError : NetConnectError,
                 failure.error);
  }
  proxyEndpoint_ = connection->forwardsThroughProxy() ? connection->proxyEndpoint() : std::string();
  currentUrl_ = url;
  host_.Connections(1);
  reader_ = std::make_unique<HttpResponseReader>();
  decoder_.reset();
  skip_ = 0;
  answerEnd_ = 0;
  headHandled_ = false;
  closed_ = false;
  abort_.reset();
  StepResult result = ReadAnswer(*connection);
  if (segments_) {
    // The first answer is through; the rest is fetched range by range.
    segments_->EndStream();
    if (result.step == Step::Done) result.step = Step::More;
  }
  return result;
}

TransferJob::StepResult TransferJob::AttemptSegmented() {
  int sliceError = 0;
  auto eachSlice = [this, &sliceError] {
    host_.Progress(segments_->DoneBytes(), record_.total);
    host_.Connections(segments_->Active());
    if (int error = Checkpoint(Checkpointer::When::IfDue); error && !sliceError) sliceError = error;
  };
  RangeResult result = segments_->Run(buffer_.get(), kBufferBytes, stallMs_, eachSlice);
  progressed_ = result.wrote;
  host_.Progress(segments_->DoneBytes(), record_.total);
  if (sliceError) return DiskFailure("cannot save the record", sliceError);
  using End = RangeResult::End;
  switch (result.end) {
    case End::Done:
      return Next(Step::Done);
    case End::Stopped:
      return Next(Step::Stop);
    case End::Lost:
    case End::Declined:
      return Abort(Step::Retry, result.cause, result.code, result.error);
    case End::Changed:
      if (refreshed_) {
        // The new link serves another file: what is held stays for a better one.
        LeaveSegments(false);
        return Abort(Step::Fail, FailureCause::ChangedAnswer, result.code,
                     result.error + "; the new link serves another file, the downloaded part is kept");
      }
      [[fallthrough]];
    case End::Refused:
      LeaveSegments(result.end == End::Changed);
      progressed_ = true;  // the transfer goes on, differently
      return Next(Step::More);
    case End::Failed:
      break;
  }
  return Abort(Step::Fail, result.cause, result.code, result.error);
}

bool TransferJob::MaybeSplit(const HttpResponseHead& head) {
  bool offered = head.status == 206;
  for (const auto& unit : head.ListValues("Accept-Ranges")) offered = offered || unit == "bytes";
  if (setup_.connections < 2 || !rangesTrusted_ || !offered || decoder_ || !record_.resumable ||
      record_.total < kMinSplitBytes)
    return true;
  if (int error = file_.Allocate(record_.total)) {
    abort_ = Abort(Step::Fail, FailureCause::Disk, OpenFileError,
                   "cannot make room for " + std::to_string(record_.total) + " bytes in " + partPath_ + ": " +
                       platform::ErrorText(error));
    return false;
  }
  ByteRanges done = record_.done;
  AddByteRange(done, 0, offset_);
  RangeSource source{record_.url, record_.total, record_.etag, record_.lastModified, setup_.headers};
  segments_ = std::make_unique<SegmentedTransfer>(SegmentedTransfer::Setup{
      std::move(source), std::move(done), file_, partPath_, SpeedLimits{taskLimit_, globalLimit_},
      [this] { return host_.StopRequested(); }, setup_.connections});
  segments_->Begin(offset_, stallMs_);
  return true;
}

void TransferJob::LeaveSegments(bool restart) {
  segments_->StopHelpers();
  ByteRanges done = segments_->Done();
  segments_.reset();
  rangesTrusted_ = false;
  if (restart) {
    ForgetContent();
    offset_ = 0;
    record_.done.clear();
    return;
  }
  record_.done = std::move(done);
  offset_ = record_.ContiguousDone();
}

void TransferJob::ForgetContent() {
  // The record goes before the bytes it describes: a crash in between
  // leaves a part without a record, which is started over.
  checkpointer_.Wait();
  platform::RemoveFile(PartRecordPath(partPath_));
  known_ = false;
  answerDigest_.reset();  // it was the old version's
  if (int error = TruncatePart(0))
    abort_ = DiskFailure("cannot trim " + partPath_, error);
}

TransferJob::StepResult TransferJob::ReadAnswer(Connection& connection) {
  StallWatch watch;
  watch.stallMs = stallMs_;
  for (;;) {
    if (host_.StopRequested()) return Next(Step::Stop);
    if (auto end = ReceiveOnce(connection, watch)) return *end;
    if (int error = Checkpoint(Checkpointer::When::IfDue))
      return DiskFailure("cannot save the record", error);
  }
}

std::optional<TransferJob::StepResult> TransferJob::ReceiveOnce(Connection& connection, StallWatch& watch) {
  long n = ReceiveWatched(connection, buffer_.get(), kBufferBytes, SpeedLimits{taskLimit_, globalLimit_}, kSliceMs,
                          watch);
  if (n == Connection::kError) return Abort(Step::Retry, watch.cause, NetReadError, watch.error);
  if (n < 0) return std::nullopt;
  if (n == 0) {
    closed_ = true;
    reader_->FinishAtClose([this](const char* data, size_t size) { return OnBody(data, size); });
  } else {
    reader_->Feed(buffer_.get(), static_cast<size_t>(n),
                  [this](const char* data, size_t size) { return OnBody(data, size); });
  }
  return AfterFeed();
}

std::optional<TransferJob::StepResult> TransferJob::AfterFeed() {
  if (!abort_ && reader_->headDone() && !headHandled_) HandleHead();
  if (abort_) return abort_;
  switch (reader_->state()) {
    case HttpResponseReader::State::Done: {
      if (decoder_ && !decoder_->Finish([this](const char* d, size_t s) { return WriteDecoded(d, s); }))
        return abort_ ? *abort_
                      : Abort(Step::Fail, FailureCause::BadAnswer, NetReadError,
                              "the coded body is damaged: " + decoder_->errorText());
      if (!segments_ && offset_ < answerEnd_)
        // The answer declared bytes up to there and ended before them.
        return Abort(Step::Retry, FailureCause::Cut, NetReadNotEnd,
                     "the answer ended at byte " + std::to_string(offset_) + ", before the byte " +
                         std::to_string(answerEnd_) + " it declared");
      if (record_.total >= 0 && offset_ < record_.total) return Next(Step::More);
      return Next(Step::Done);
    }
    case HttpResponseReader::State::Failed:
      return ReaderFailure();
    default:
      return std::nullopt;
  }
}

TransferJob::StepResult TransferJob::ReaderFailure() const {
  if (abort_) return *abort_;
  // A body cut short, or a server that closed before its head was whole
  // (restarting, overloaded), may well answer the next time.
  if (reader_->error() == NetReadNotEnd || (!reader_->headDone() && closed_))
    return Abort(Step::Retry, FailureCause::Cut, NetReadNotEnd, "connection closed early: " + reader_->errorText());
  return Abort(Step::Fail, FailureCause::BadAnswer, reader_->error(),
               "bad answer from the server: " + reader_->errorText());
}

bool TransferJob::OnBody(const char* data, size_t size) {
  if (!headHandled_) HandleHead();
  if (abort_) return false;
  if (decoder_) {
    if (decoder_->Feed(data, size, [this](const char* d, size_t s) { return WriteDecoded(d, s); })) return true;
    if (!abort_)
      abort_ = Abort(Step::Fail, FailureCause::BadAnswer, NetReadError,
                     "the coded body is damaged: " + decoder_->errorText());
    return false;
  }
  return WriteDecoded(data, size);
}

bool TransferJob::WriteDecoded(const char* data, size_t size) {
  if (offset_ == 0 && !segments_ && IsPlaylistBody(std::string_view(data, size))) {
    abort_ = Next(Step::Playlist);
    return false;
  }
  if (skip_ > 0) {
    // The start of a whole answer the part already holds.
    size_t skipped = static_cast<size_t>(std::min<int64_t>(skip_, static_cast<int64_t>(size)));
    skip_ -= static_cast<int64_t>(skipped);
    data += skipped;
    size -= skipped;
    if (size == 0) return true;
  }
  if (segments_) {
    auto step = segments_->WriteStream(data, size);
    progressed_ = progressed_ || size > 0;
    host_.Progress(segments_->DoneBytes(), record_.total);
    if (step == SegmentedTransfer::StreamStep::Go) return true;
    // Its range is written, or the transfer must change course: either way
    // the next attempt goes on range by range.
    abort_ = Next(Step::More);
    return false;
  }
  if (int error = file_.WriteAt(offset_, data, size)) {
    abort_ = DiskFailure("cannot write " + partPath_, error);
    return false;
  }
  offset_ += static_cast<int64_t>(size);
  progressed_ = progressed_ || size > 0;
  host_.Progress(offset_, record_.total);
  return true;
}

void TransferJob::HandleHead() {
  headHandled_ = true;
  const HttpResponseHead& head = reader_->head();
  if (IsRedirect(head.status) && head.Has("Location")) {
    std::string next;
    Failure failure;
    if (ResolveRedirect(currentUrl_, head.Value("Location"), next, failure)) {
      abort_ = Next(Step::Redirect);
      abort_->redirect = next;
    } else {
      abort_ = Abort(Step::Fail, failure.cause, HttpJump, failure.message);
    }
    return;
  }
  if (head.status == 416) return HandleRefusedRange(head);
  if (!proxyEndpoint_.empty() && head.status == 407) {
    abort_ = Abort(Step::Fail, FailureCause::ProxyAuth, NetConnectError,
                   "the proxy " + proxyEndpoint_ + " refused the request: 407 " + head.reason);
    return;
  }
  if (IsTransientStatus(head.status)) {
    // "Later": tried again within the same budget as a cut connection.
    abort_ = Abort(Step::Retry, FailureCause::HttpStatus, HttpTypeError,
                   "server answered " + std::to_string(head.status) + " " + head.reason);
    abort_->retryAfter = head.Value("Retry-After");
    abort_->httpStatus = head.status;
    return;
  }
  if (head.status < 200 || head.status > 299) {
    ResultCode code = head.status == 404 || head.status == 410 ? NotFound : HttpTypeError;
    abort_ = Abort(Step::Fail, FailureCause::HttpStatus, code,
                   "server answered " + std::to_string(head.status) + " " + head.reason);
    abort_->httpStatus = head.status;
    return;
  }
  host_.Answered(currentUrl_);
  if (offset_ == 0 && !segments_ && IsPlaylistType(head.Value("Content-Type"))) {
    abort_ = Next(Step::Playlist);
    return;
  }
  if (!HandleCoding(head)) return;
  if (head.status == 206) HandleRangeAnswer(head);
  else HandleFullAnswer(head);
  if (abort_) return;
  known_ = true;
  // A digest of a coded body is of the coded bytes, not of the file.
  if (auto digest = DigestFromAnswer(head.fields); digest && !decoder_) answerDigest_ = digest;
  if (abort_ || !EnsureNamed(head) || !CheckFreeSpace() || !MaybeSplit(head)) return;
  // The first record of this answer, saved beside the transfer: until it
  // is on disk a crash leaves a part without a record, which is started over.
  if (int error = Checkpoint(Checkpointer::When::NowInBackground))
    abort_ = DiskFailure("cannot save the record", error);
}

bool TransferJob::HandleCoding(const HttpResponseHead& head) {
  auto chain = std::make_unique<ContentDecoderChain>();
  std::string problem;
  if (!chain->BuildForContentEncoding(head.ListValues("Content-Encoding"), ContentDecoder::kDefaultOutputLimit,
                                      problem)) {
    abort_ = Abort(Step::Fail, FailureCause::Unsupported, HttpTypeError, problem);
    return false;
  }
  if (chain->empty()) return true;
  decoder_ = std::move(chain);
  record_.resumable = false;
  if (head.status == 206) {
    // A range of coded bytes cannot be appended to decoded ones: ask again
    // for the whole body, which is then decoded from its start.
    decoder_.reset();
    abort_ = Next(Step::More);
    return false;
  }
  return true;
}

void TransferJob::HandleRangeAnswer(const HttpResponseHead& head) {
  // Another version says so first, whatever else its range gets wrong.
  if (!CheckRangeValidators(head)) return;
  auto range = ParseContentRange(head.Value("Content-Range"));
  bool fits = range && range->first == offset_ && (record_.total < 0 || range->complete == record_.total);
  if (!fits) {
    bool changed = range && record_.total >= 0 && range->complete != record_.total;
    std::string etag = StrongEtag(head.Value("ETag"));
    if (changed && !record_.etag.empty() && etag == record_.etag) {
      abort_ = SameVersionOtherLength(etag, range->complete);
      return;
    }
    abort_ = Abort(Step::Fail, changed ? FailureCause::ChangedFile : FailureCause::BadAnswer, HttpTypeError,
                   "server sent the range " + head.Value("Content-Range") + " when asked for " +
                       Range(offset_, record_.total - 1, record_.total) + "; the partial file is kept");
    return;
  }
  answerEnd_ = range->last + 1;
  if (record_.total < 0) record_.total = range->complete;
  record_.url = currentUrl_;
}

TransferJob::StepResult TransferJob::SameVersionOtherLength(const std::string& etag, int64_t length) const {
  // One side is wrong for good: trying again brings the same answer.
  return Abort(Step::Fail, FailureCause::ChangedAnswer, HttpTypeError,
               "the server names " + HumanSize(length) + " for the version " + etag + " that is " +
                   HumanSize(record_.total) + " long; the downloaded part is kept, start over to fetch it again");
}

bool TransferJob::ValidatorsDiffer(const HttpResponseHead& head) const {
  return Differs(record_.etag, StrongEtag(head.Value("ETag"))) ||
         Differs(record_.lastModified, head.Value("Last-Modified"));
}

bool TransferJob::SameVersion(const HttpResponseHead& head) const {
  std::string etag = StrongEtag(head.Value("ETag"));
  if (!record_.etag.empty() && !etag.empty()) return record_.etag == etag;
  return !record_.lastModified.empty() && record_.lastModified == head.Value("Last-Modified");
}

bool TransferJob::CheckRangeValidators(const HttpResponseHead& head) {
  // A server that ignores If-Range sends a range of whatever it has now:
  // bytes of another version must never meet ours in one file.
  if (!ValidatorsDiffer(head)) return true;
  abort_ = Abort(Step::Fail, refreshed_ ? FailureCause::ChangedAnswer : FailureCause::ChangedFile, HttpTypeError,
                 "the server sent a range of another version of the file (ETag " + head.Value("ETag") +
                     ", Last-Modified " + head.Value("Last-Modified") + "); the partial file is kept");
  return false;
}

bool TransferJob::RefuseWebPage(const HttpResponseHead& head) {
  std::string type = head.Value("Content-Type");
  if (!IsWebPageType(type) || setup_.acceptWebPage) return false;
  bool namesFile = NamesNonWebFile(FileNameFromUrl(setup_.url)) || NamesNonWebFile(FileNameFromUrl(currentUrl_)) ||
                   NamesNonWebFile(setup_.name);
  if (!namesFile) return false;
  abort_ = Abort(Step::Fail, FailureCause::WebPage, HttpTypeError,
                 "the server sent a web page (" + type + ", " + HumanSize(reader_->declaredLength()) +
                     ") where the link names a file; save it anyway to keep it");
  return true;
}

bool TransferJob::RefuseOtherAnswer(const HttpResponseHead& head) {
  std::string type = head.Value("Content-Type");
  int64_t length = decoder_ ? -1 : reader_->declaredLength();
  bool webPage = IsWebPageType(type) && !IsWebPageType(record_.type);
  bool otherLength = length >= 0 && record_.total >= 0 && length != record_.total;
  if (!webPage && !otherLength) return false;
  std::string etag = StrongEtag(head.Value("ETag"));
  if (!webPage && !record_.etag.empty() && etag == record_.etag) {
    abort_ = SameVersionOtherLength(etag, length);
    return true;
  }
  std::string what = webPage ? "a web page (" + type + ", " + HumanSize(length) + ")"
                             : "an answer of " + HumanSize(length);
  abort_ = Abort(Step::Fail, FailureCause::ChangedAnswer, HttpTypeError,
                 "the server now sends " + what + " instead of the file (" + HumanSize(record_.total) +
                     "); the downloaded part is kept");
  return true;
}

void TransferJob::HandleFullAnswer(const HttpResponseHead& head) {
  if (known_ && RefuseOtherAnswer(head)) return;
  if (!known_ && RefuseWebPage(head)) return;
  if (askedRange_) rangesTrusted_ = false;
  bool held = offset_ > 0 || CoveredBytes(record_.done) > 0;
  if (held && !decoder_ && SameVersion(head)) {
    // The same file from its first byte: what is held stays, and the
    // body is read past it.
    skip_ = offset_;
    record_.url = currentUrl_;
    host_.Progress(offset_, record_.total);
    return;
  }
  if (held && refreshed_ && ValidatorsDiffer(head)) {
    abort_ = Abort(Step::Fail, FailureCause::ChangedAnswer, HttpTypeError,
                   "the new link answers with another version of the file (ETag " + head.Value("ETag") +
                       "); the downloaded part is kept");
    return;
  }
  if (offset_ > 0 || file_.Size() > 0) {
    // The whole body is coming: start over rather than write it over
    // ranges that may belong to another version.
    ForgetContent();
    if (abort_) return;
    offset_ = 0;
  }
  bool known = !decoder_ && reader_->framing() == HttpResponseReader::Framing::Length;
  record_.url = currentUrl_;
  record_.total = known ? reader_->declaredLength() : -1;
  record_.etag = StrongEtag(head.Value("ETag"));
  record_.lastModified = head.Value("Last-Modified");
  record_.type = head.Value("Content-Type");
  record_.resumable = known;
  record_.done.clear();
  host_.Progress(offset_, record_.total);
}

void TransferJob::HandleRefusedRange(const HttpResponseHead& head) {
  auto range = ParseContentRange(head.Value("Content-Range"));
  bool complete = askedRange_ && record_.total >= 0 && offset_ == record_.total && file_.Size() == record_.total &&
                  (!range || range->complete < 0 || range->complete == record_.total);
  if (complete) {
    abort_ = Next(Step::Done);
    return;
  }
  bool sameLength = range && range->complete >= 0 && range->complete == record_.total && offset_ < record_.total;
  // A 416 that names the very length the range lies in contradicts itself:
  // another try within the budget may pass, a shorter file will not.
  abort_ = Abort(sameLength ? Step::Retry : Step::Fail, sameLength ? FailureCause::BadAnswer : FailureCause::ChangedFile,
                 HttpTypeError,
                 "server refused the range from byte " + std::to_string(offset_) + " (416 " + head.reason + ", " +
                     head.Value("Content-Range") + "); the partial file is kept");
}

bool TransferJob::EnsureNamed(const HttpResponseHead& head) {
  if (file_.IsOpen()) return true;
  if (name_.empty()) {
    name_ = host_.ClaimName(setup_.folder,
                            AnswerFileName(head.Value("Content-Disposition"), currentUrl_, setup_.url));
    host_.Named(name_, setup_.folder + "/" + name_);
  }
  return OpenPart(false);
}

bool TransferJob::CheckFreeSpace() {
  if (record_.total < 0) return true;
  int64_t needed = record_.total - offset_;
  platform::DiskSpace space;
  std::string unreadable;  // an unreadable folder fails at opening, with its own words
  if (!platform::QueryDiskSpace(setup_.folder, space, unreadable) || static_cast<int64_t>(space.available) >= needed)
    return true;
  abort_ = Abort(Step::Fail, FailureCause::Disk, OpenFileError,
                 "no space: " + std::to_string(needed) + " bytes needed, " + std::to_string(space.available) +
                     " bytes free in " + setup_.folder);
  return false;
}

int TransferJob::Checkpoint(Checkpointer::When when) {
  if (!file_.IsOpen()) return 0;
  return checkpointer_.Save(when, partPath_, [this] { return DoneBytes(); }, [this] { return Snapshot(); });
}

PartRecord TransferJob::Snapshot() const {
  PartRecord snapshot = record_;
  snapshot.done.clear();
  if (segments_) snapshot.done = segments_->Done();
  // Ranges held beyond the stream stay claimed: a retry that reads the
  // file again from an earlier byte never shrinks what the record holds.
  else if (snapshot.resumable) snapshot.done = record_.done, snapshot.AddDone(0, offset_);
  return snapshot;
}

int64_t TransferJob::HeldBytes() const {
  if (segments_) return segments_->DoneBytes();
  if (!record_.resumable) return offset_;
  ByteRanges held = record_.done;
  AddByteRange(held, 0, offset_);
  return CoveredBytes(held);
}

int64_t TransferJob::DoneBytes() const { return segments_ ? segments_->DoneBytes() : offset_; }

void TransferJob::Keep() {
  if (segments_) segments_->StopHelpers();
  Checkpoint(Checkpointer::When::NowAndWait);
  // A failure of the last background save has nobody left to report to;
  // the record on disk still claims only flushed bytes.
  checkpointer_.ForgetError();
}

TransferJob::StepResult TransferJob::CheckDigest() {
  // The script's own digest wins over what the server says of its file.
  const ExpectedDigest expected = !setup_.checksum.empty() ? setup_.checksum : answerDigest_.value_or(ExpectedDigest{});
  if (expected.empty()) return Next(Step::Done);
  host_.Checksum(expected.algorithm, expected.source, "pending");
  std::string actual = DigestOfFile(expected.algorithm, partPath_, [this] { return host_.StopRequested(); });
  if (host_.StopRequested()) return Next(Step::Stop);
  if (actual == expected.hex) {
    host_.Checksum(expected.algorithm, expected.source, "verified");
    return Next(Step::Done);
  }
  host_.Checksum(expected.algorithm, expected.source, "mismatch");
  // Never under the final name; the part stays for a look or a start over.
  std::string got = actual.empty() ? "the part could not be read" : "got " + actual;
  return Abort(Step::Fail, FailureCause::Checksum, NetReadError,
               DigestDisplayName(expected.algorithm) + " check failed (" + expected.source + "): expected " + expected.hex + ", " + got +
                   "; the downloaded part is kept");
}

void TransferJob::Discard() {
  segments_.reset();
  checkpointer_.Wait();
  file_.Close();
  if (partPath_.empty()) return;
  platform::RemoveFile(PartRecordPath(partPath_));
  platform::RemoveFile(partPath_);
}

TransferJob::StepResult TransferJob::Complete() {
  // No flush here: the record goes once the file has its name, and until
  // then it claims only bytes flushed earlier.
  segments_.reset();
  checkpointer_.Wait();
  int64_t size = file_.Size();
  if (record_.total >= 0 && size != record_.total)
    return Abort(Step::Fail, FailureCause::Disk, NetReadError,
                 "size check failed: " + std::to_string(size) + " bytes on disk, " + std::to_string(record_.total) +
                     " expected; the partial file is kept");
  file_.Close();
  if (StepResult checked = CheckDigest(); checked.step != Step::Done) return checked;
  if (int error = MoveToFinalName(host_, setup_.folder, name_, partPath_))
    return DiskFailure("cannot rename " + partPath_, error);
  platform::RemoveFile(PartRecordPath(partPath_));
  host_.Named(name_, setup_.folder + "/" + name_);
  return Next(Step::Done);
}
