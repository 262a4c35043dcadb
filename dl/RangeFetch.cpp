#include "dl/RangeFetch.h"

#include <optional>

#include "net/ContentRange.h"
#include "net/GetRequest.h"
#include "net/HttpResponseReader.h"
#include "platform/ErrorText.h"

namespace {

using End = RangeResult::End;
constexpr int kSliceMs = 200;

std::string StrongEtag(const std::string& etag) { return etag.starts_with("W/") ? std::string() : etag; }

bool Differs(const std::string& ours, const std::string& theirs) {
  return !ours.empty() && !theirs.empty() && ours != theirs;
}

RangeResult Result(End end) { return RangeResult{end, FailureCause::None, Success, {}, false}; }

RangeResult Failed(End end, FailureCause cause, std::string error, ResultCode code = Success) {
  return RangeResult{end, cause, code, std::move(error), false};
}

class RangeFetcher {
 public:
  RangeFetcher(const RangeWork& work, const SegmentPlan::Lease& lease) : work_(work), lease_(lease) {}

  RangeResult Run(char* buffer, size_t bufferSize, const std::function<void()>& eachSlice) {
    HttpUrl url;
    std::string error;
    if (!ParseHttpUrl(work_.source.url, url, error))
      return Failed(End::Declined, FailureCause::BadInput, error, HttpUrlError);
    GetFailure failure;
    auto connection = SendGet(url, RequestHeaders(), ReceiveBufferFor(work_.limits),
                              static_cast<int>(work_.stallMs), work_.stopped, failure);
    if (!connection) {
      if (failure.stopped) return Result(End::Stopped);
      return Failed(failure.permanent ? End::Declined : End::Lost, failure.cause, failure.error,
                    failure.connected ? NetSendError : NetConnectError);
    }
    RangeResult result = Read(*connection, buffer, bufferSize, eachSlice);
    result.wrote = wrote_;
    return result;
  }

 private:
  HeaderList RequestHeaders() const {
    HeaderList headers{{"Accept-Encoding", "identity"},
                       {"Range", "bytes=" + std::to_string(lease_.start) + "-" + std::to_string(lease_.end - 1)}};
    std::string validator = !work_.source.etag.empty() ? work_.source.etag : work_.source.lastModified;
    if (!validator.empty()) headers.emplace_back("If-Range", validator);
    headers.insert(headers.end(), work_.source.headers.begin(), work_.source.headers.end());
    return headers;
  }

  RangeResult Read(Connection& connection, char* buffer, size_t bufferSize, const std::function<void()>& eachSlice) {
    auto sink = [this](const char* data, size_t size) { return OnBody(data, size); };
    StallWatch watch;
    watch.stallMs = work_.stallMs;
    for (;;) {
      if (work_.stopped()) return Result(End::Stopped);
      if (eachSlice) eachSlice();
      long n = ReceiveWatched(connection, buffer, bufferSize, work_.limits, kSliceMs, watch);
      if (n == Connection::kError) return Failed(End::Lost, watch.cause, watch.error, NetReadError);
      if (n < 0) continue;
      if (n == 0) reader_.FinishAtClose(sink);
      else reader_.Feed(buffer, static_cast<size_t>(n), sink);
      if (!verdict_ && reader_.headDone() && !headChecked_) CheckHead();
      if (verdict_) return *verdict_;
      if (reader_.state() == HttpResponseReader::State::Done) {
        // An answer that ends before the lease does (a 206 with no body, a
        // length shorter than its range) was cut, whatever it declared.
        if (!leaseEnded_)
          return Failed(End::Lost, FailureCause::Cut, "the range ended before its last byte", NetReadNotEnd);
        return Result(End::Done);
      }
      if (reader_.state() == HttpResponseReader::State::Failed) return ReaderFailure(n == 0);
    }
  }

  RangeResult ReaderFailure(bool closed) const {
    if (reader_.error() == NetReadNotEnd || (!reader_.headDone() && closed))
      return Failed(End::Lost, FailureCause::Cut, "connection closed early: " + reader_.errorText(), NetReadNotEnd);
    return Failed(End::Declined, FailureCause::BadAnswer, "bad answer from the server: " + reader_.errorText(),
                  reader_.error());
  }

  void CheckHead() {
    headChecked_ = true;
    const HttpResponseHead& head = reader_.head();
    std::string status = std::to_string(head.status) + " " + head.reason;
    if (head.status != 200 && head.status != 206) {
      // 416: the file is shorter than the range now.
      // A 416 on one connection ends that connection: what the others
      // and the validators say decides about the file.
      verdict_ = Failed(End::Declined, FailureCause::HttpStatus, "server answered " + status, HttpTypeError);
      return;
    }
    auto range = ParseContentRange(head.Value("Content-Range"));
    int64_t length = head.status == 206 ? (range ? range->complete : -1) : reader_.declaredLength();
    if (ShowsOtherFile(work_.source, length, StrongEtag(head.Value("ETag")), head.Value("Last-Modified"))) {
      verdict_ = Failed(End::Changed, FailureCause::ChangedFile, "the file on the server changed while it was fetched");
      return;
    }
    bool coded = false;
    for (auto& coding : head.ListValues("Content-Encoding")) coded = coded || !IsNoContentCoding(coding);
    // A longer range than asked is read up to where the lease ends.
    bool fits = head.status == 206 && !coded && range && range->first == lease_.start && range->last >= lease_.end - 1;
    if (!fits)
      verdict_ = Failed(End::Refused, FailureCause::BadAnswer,
                        "server answered " + status + " (" + head.Value("Content-Range") + ") when asked for bytes " +
                            std::to_string(lease_.start) + "-" + std::to_string(lease_.end - 1));
  }

  bool OnBody(const char* data, size_t size) {
    if (!headChecked_) CheckHead();
    if (verdict_) return false;
    while (size > 0) {
      SegmentPlan::Claim claim = work_.plan.ClaimNext(lease_.id, size);
      if (claim.size == 0) {
        // The plan gave the rest of this range to another connection.
        leaseEnded_ = true;
        verdict_ = Result(End::Done);
        return false;
      }
      if (int error = work_.file.WriteAt(claim.offset, data, claim.size)) {
        verdict_ = Failed(End::Failed, FailureCause::Disk,
                          "cannot write " + work_.partPath + ": " + platform::ErrorText(error), OpenFileError);
        return false;
      }
      wrote_ = true;
      if (work_.plan.Written(lease_.id, claim.size)) {
        // Done: with bytes still coming, the lease was cut short.
        leaseEnded_ = true;
        verdict_ = Result(End::Done);
        return false;
      }
      data += claim.size;
      size -= claim.size;
    }
    return true;
  }

  const RangeWork& work_;
  const SegmentPlan::Lease lease_;
  HttpResponseReader reader_;
  bool headChecked_ = false;
  bool wrote_ = false;
  bool leaseEnded_ = false;  // every byte of the lease is written, or the plan took the rest
  std::optional<RangeResult> verdict_;
};

}  // namespace

bool ShowsOtherFile(const RangeSource& source, int64_t length, const std::string& etag,
                    const std::string& lastModified) {
  return (length >= 0 && length != source.total) || Differs(source.etag, etag) ||
         Differs(source.lastModified, lastModified);
}

RangeResult FetchRange(const RangeWork& work, const SegmentPlan::Lease& lease, char* buffer, size_t bufferSize,
                       const std::function<void()>& eachSlice) {
  return RangeFetcher(work, lease).Run(buffer, bufferSize, eachSlice);
}
