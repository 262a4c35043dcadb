// The state of one task's transfer while its worker runs: the part file, its
// record, the bytes on disk, and the answer being read. TaskRunner drives it
// attempt by attempt. Private to dl/.
#ifndef VELMORA_DL_TRANSFERJOB_H
#define VELMORA_DL_TRANSFERJOB_H

#include <memory>
#include <optional>
#include <string>

#include "dl/Checkpointer.h"
#include "dl/Connection.h"
#include "net/HttpUrl.h"
#include "net/HeaderList.h"
#include "dl/LimitedReceive.h"
#include "dl/PartRecord.h"
#include "dl/SegmentedTransfer.h"
#include "dl/TaskRun.h"
#include "net/ContentDecoder.h"
#include "net/HttpResponseReader.h"
#include "platform/DataFile.h"

class TransferJob {
 public:
  enum class Step { Done, More, Retry, Fail, Stop, Redirect, Playlist };
  struct StepResult {
    Step step = Step::Fail;
    FailureCause cause = FailureCause::None;
    ResultCode code = Success;
    std::string error;
    std::string redirect;  // Step::Redirect
    std::string retryAfter;  // a transient status's Retry-After, as sent
    int httpStatus = 0;      // the server's status when it is the cause
  };

  TransferJob(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit);
  ~TransferJob();
  TransferJob(const TransferJob&) = delete;
  TransferJob& operator=(const TransferJob&) = delete;

  // Takes up an existing part file and its record when the name is known.
  std::optional<StepResult> Prepare();
  // One connection, redirects followed: Done when the body is complete,
  // More when bytes remain (a shorter range), or why it ended.
  // `stallMs`: how long the connection may stay silent before it counts
  // as stalled.
  StepResult Attempt(int64_t stallMs);
  // Checks size and digest, renames the part, removes the record.
  StepResult Complete();
  // Keeps what is on disk for a later start (data flushed, record saved).
  void Keep();
  // The answer is a stream's playlist: the part and its record go, the
  // stream task takes over.
  void Discard();
  // Whether the last Attempt wrote any body byte.
  bool progressed() const { return progressed_; }
  // Bytes of the file held now (on disk and claimed by the record, or
  // written of a body that cannot be resumed).
  int64_t HeldBytes() const;

 private:
  StepResult Exchange(const std::string& url);
  StepResult AttemptSegmented();
  // Starts the other connections when the answer allows it; false when
  // the file could not be made ready for them.
  bool MaybeSplit(const HttpResponseHead& head);
  // One connection from now on: keeping what is done, or from the start
  // when the file changed.
  void LeaveSegments(bool restart);
  void ForgetContent();
  StepResult ReadAnswer(Connection& connection);
  std::optional<StepResult> ReceiveOnce(Connection& connection, StallWatch& watch);
  std::optional<StepResult> AfterFeed();
  StepResult ReaderFailure() const;
  bool OnBody(const char* data, size_t size);
  bool WriteDecoded(const char* data, size_t size);
  void HandleHead();
  void HandleRangeAnswer(const HttpResponseHead& head);
  void HandleFullAnswer(const HttpResponseHead& head);
  void HandleRefusedRange(const HttpResponseHead& head);
  bool HandleCoding(const HttpResponseHead& head);
  // A 206 or 200 that shows another file than the one held fails the
  // task before a byte is written; false then.
  bool CheckRangeValidators(const HttpResponseHead& head);
  bool RefuseWebPage(const HttpResponseHead& head);
  bool RefuseOtherAnswer(const HttpResponseHead& head);
  // Whether the answer names the record's version by a validator both sides have.
  bool SameVersion(const HttpResponseHead& head) const;
  bool ValidatorsDiffer(const HttpResponseHead& head) const;
  // The failure for an answer that gives the record's version (by strong
  // ETag) another length than the record holds.
  StepResult SameVersionOtherLength(const std::string& etag, int64_t length) const;
  StepResult CheckDigest();
  bool EnsureNamed(const HttpResponseHead& head);
  bool CheckFreeSpace();
  bool OpenPart(bool keepContent);
  // Saves the record when due, or now (see Checkpointer). 0 or an errno.
  int Checkpoint(Checkpointer::When when);
  // The record as the bytes on disk stand.
  PartRecord Snapshot() const;
  // Bytes on disk, by one connection or several.
  int64_t DoneBytes() const;
  int TruncatePart(int64_t size);
  int ReceiveBufferBytes() const;
  HeaderList RequestHeaders() const;
  static StepResult Next(Step step);
  static StepResult Abort(Step step, FailureCause cause, ResultCode code, std::string error);
  // Writing, trimming or saving beside the part failed: `what` and errno.
  static StepResult DiskFailure(const std::string& what, int error);

  const TaskSetup& setup_;
  TaskHost& host_;
  RateLimiter& taskLimit_;
  RateLimiter& globalLimit_;

  std::string name_;
  std::string partPath_;
  PartRecord record_;
  platform::DataFile file_;
  int64_t offset_ = 0;
  std::unique_ptr<char[]> buffer_;
  // Declared after the file it flushes, so that it is through first.
  Checkpointer checkpointer_{file_};
  // While several connections share the file. Declared after the file it
  // writes to, so that it stops first.
  std::unique_ptr<SegmentedTransfer> segments_;
  bool rangesTrusted_ = true;
  // The task knows its file: a record was taken up or an answer accepted.
  bool known_ = false;
  // The task's URL replaced the one the record was made with.
  bool refreshed_ = false;
  // Body bytes of a whole answer that are already held and not written again.
  int64_t skip_ = 0;
  // Where the current 206 said its bytes end.
  int64_t answerEnd_ = 0;
  // The whole file's digest as the server sent it, when it did.
  std::optional<ExpectedDigest> answerDigest_;

  // Per answer.
  std::string currentUrl_;
  std::string proxyEndpoint_;  // a proxy forwarding plain requests, else empty
  std::unique_ptr<HttpResponseReader> reader_;
  std::unique_ptr<ContentDecoderChain> decoder_;
  bool headHandled_ = false;
  bool askedRange_ = false;
  bool closed_ = false;  // the server closed the connection
  std::optional<StepResult> abort_;
  bool progressed_ = false;
  int64_t stallMs_ = 30000;
};

#endif
