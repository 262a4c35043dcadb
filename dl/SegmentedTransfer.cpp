#include "dl/SegmentedTransfer.h"

#include <chrono>

#include "dl/StoppablePause.h"
#include "platform/ErrorText.h"

namespace {

using End = RangeResult::End;
// Half the task thread's buffer: a task over several connections should not
// hold several times the memory of one.
constexpr size_t kHelperBufferBytes = 128 * 1024;
// A helper whose connections keep failing gives up its place; the ranges
// it held go to whoever is left.
constexpr int kHelperTriesInRow = 3;
constexpr int kHelperFirstPauseMs = 500;

}  // namespace

SegmentedTransfer::SegmentedTransfer(Setup setup)
    : setup_(std::move(setup)), plan_(setup_.source.total, setup_.done) {}

SegmentedTransfer::~SegmentedTransfer() { StopHelpers(); }

RangeWork SegmentedTransfer::Work(bool helper) {
  std::function<bool()> stopped = [this] { return setup_.stopRequested(); };
  // Helpers also end when they are told to and when one connection is
  // all that is left to trust.
  if (helper) stopped = [this] { return stop_ || setup_.stopRequested() || plan_.collapsed(); };
  return RangeWork{setup_.source, plan_, setup_.file, setup_.partPath, setup_.limits, std::move(stopped), stallMs_};
}

void SegmentedTransfer::Begin(int64_t start, int64_t stallMs) {
  stallMs_ = stallMs;
  stream_ = plan_.AdoptStream(start);
  TopUpHelpers(plan_.Split(stream_->id, setup_.connections));
}

SegmentedTransfer::StreamStep SegmentedTransfer::WriteStream(const char* data, size_t size) {
  if (!stream_) return StreamStep::RangeDone;
  if (Verdict()) return StreamStep::Interrupted;
  while (size > 0) {
    SegmentPlan::Claim claim = plan_.ClaimNext(stream_->id, size);
    if (claim.size == 0) return StreamStep::RangeDone;
    if (int code = setup_.file.WriteAt(claim.offset, data, claim.size)) {
      SetVerdict(RangeResult{End::Failed, FailureCause::Disk, OpenFileError,
                             "cannot write " + setup_.partPath + ": " + platform::ErrorText(code), false});
      return StreamStep::Interrupted;
    }
    if (plan_.Written(stream_->id, claim.size)) return StreamStep::RangeDone;
    data += claim.size;
    size -= claim.size;
  }
  return StreamStep::Go;
}

void SegmentedTransfer::EndStream() {
  if (stream_) plan_.Release(stream_->id);
  stream_.reset();
}

RangeResult SegmentedTransfer::Run(char* buffer, size_t bufferSize, int64_t stallMs,
                                   const std::function<void()>& eachSlice) {
  EndStream();
  stallMs_ = stallMs;
  TopUpHelpers();
  RangeWork work = Work(false);
  // Progress counts whoever made it: a turn in which only helpers wrote
  // still moved the task on.
  const int64_t doneAtStart = plan_.DoneBytes();
  auto ended = [&](RangeResult result) {
    result.wrote = plan_.DoneBytes() > doneAtStart;
    return result;
  };
  bool turnedAway = false;  // this thread's connection was refused while helpers went on
  for (;;) {
    if (setup_.stopRequested()) return ended({End::Stopped, FailureCause::None, Success, {}, false});
    if (auto verdict = Verdict()) {
      StopHelpers();
      return ended(*verdict);
    }
    if (plan_.Complete()) {
      StopHelpers();
      return ended({End::Done, FailureCause::None, Success, {}, false});
    }
    if (plan_.collapsed()) {
      StopHelpers();
      return ended(
          {End::Refused, FailureCause::BadAnswer, Success, "the server does not serve ranges reliably", false});
    }
    if (turnedAway && helpersAlive_ > 0) {
      WaitForHelpers(eachSlice);
      continue;
    }
    turnedAway = false;
    if (auto lease = plan_.Take()) {
      RangeResult result = FetchRange(work, *lease, buffer, bufferSize, eachSlice);
      plan_.Release(lease->id);
      if (result.end == End::Done) continue;
      bool passing = result.end == End::Lost || result.end == End::Declined;
      if (passing && helpersAlive_ > 0) {
        // Servers that allow fewer connections than asked turn some away;
        // the task goes on over those that were let in.
        turnedAway = true;
        continue;
      }
      if (result.end == End::Refused) plan_.Collapse();
      if (result.end == End::Changed || result.end == End::Failed) SetVerdict(result);
      if (!passing) StopHelpers();
      return ended(result);
    }
    // Every open range is held and too short to halve: wait for the helpers.
    WaitForHelpers(eachSlice);
  }
}

void SegmentedTransfer::TopUpHelpers(std::vector<SegmentPlan::Lease> leases) {
  if (plan_.collapsed() || stop_) {
    for (const auto& lease : leases) plan_.Release(lease.id);
    return;
  }
  // Counted once: helpers that find no work end at once, and refilling
  // their places as they go would start threads without end.
  for (int missing = setup_.connections - 1 - helpersAlive_; missing > 0; --missing) {
    std::optional<SegmentPlan::Lease> first;
    if (!leases.empty()) {
      first = leases.front();
      leases.erase(leases.begin());
    }
    ++helpersAlive_;
    helpers_.emplace_back(&SegmentedTransfer::HelperLoop, this, first);
  }
  for (const auto& lease : leases) plan_.Release(lease.id);
}

void SegmentedTransfer::HelperLoop(std::optional<SegmentPlan::Lease> first) {
  RangeWork work = Work(true);
  auto buffer = std::make_unique<char[]>(kHelperBufferBytes);
  int failures = 0;
  while (!work.stopped() && !Verdict()) {
    auto lease = first ? first : plan_.Take();
    first.reset();
    if (!lease) break;
    RangeResult result = FetchRange(work, *lease, buffer.get(), kHelperBufferBytes, nullptr);
    plan_.Release(lease->id);
    WakeTaskThread();
    if (result.end == End::Done) {
      failures = 0;
      continue;
    }
    if (result.end == End::Refused) plan_.Collapse();
    if (result.end == End::Changed || result.end == End::Failed) SetVerdict(result);
    if (result.end != End::Lost) break;
    failures = result.wrote ? 1 : failures + 1;
    if (failures >= kHelperTriesInRow || !PauseUnlessStopped(work.stopped, kHelperFirstPauseMs << (failures - 1))) break;
  }
  // A lease handed over but never started goes back to the plan.
  if (first) plan_.Release(first->id);
  --helpersAlive_;
  WakeTaskThread();
}

void SegmentedTransfer::WaitForHelpers(const std::function<void()>& eachSlice) {
  if (eachSlice) eachSlice();
  std::unique_lock lock(wakeMutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return woken_; });
  woken_ = false;
}

void SegmentedTransfer::WakeTaskThread() {
  {
    std::lock_guard lock(wakeMutex_);
    woken_ = true;
  }
  wake_.notify_one();
}

void SegmentedTransfer::StopHelpers() {
  stop_ = true;
  for (auto& helper : helpers_)
    if (helper.joinable()) helper.join();
  helpers_.clear();
  stop_ = false;
}

void SegmentedTransfer::SetVerdict(const RangeResult& result) {
  std::lock_guard lock(mutex_);
  // The first reason stands: a write failure after the file changed is
  // only a consequence.
  if (!verdict_) verdict_ = result;
}

std::optional<RangeResult> SegmentedTransfer::Verdict() const {
  std::lock_guard lock(mutex_);
  return verdict_;
}
