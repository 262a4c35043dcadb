// A task's file fetched over several connections at once. The task's first
// answer, already arriving, is one of them; helper threads open the others,
// each taking a range from the plan, and the task's own thread joins in
// once its first answer is through. Any sign that ranges cannot be trusted
// (a whole answer, a range not asked for) ends the helpers and leaves one
// connection; a sign that the file changed ends them all, so that bytes of
// two versions never meet in one file.
//
// Threads: created, run and stopped by the task's thread; helpers report
// only through the plan and the verdict under the lock.
#ifndef VELMORA_DL_SEGMENTEDTRANSFER_H
#define VELMORA_DL_SEGMENTEDTRANSFER_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "dl/RangeFetch.h"
#include "dl/SegmentPlan.h"

class SegmentedTransfer {
 public:
  struct Setup {
    RangeSource source;
    ByteRanges done;  // already on disk
    platform::DataFile& file;
    std::string partPath;
    SpeedLimits limits;
    std::function<bool()> stopRequested;  // the task's own stop
    int connections = 4;
  };

  explicit SegmentedTransfer(Setup setup);
  // Stops and joins the helpers.
  ~SegmentedTransfer();
  SegmentedTransfer(const SegmentedTransfer&) = delete;
  SegmentedTransfer& operator=(const SegmentedTransfer&) = delete;

  // The first answer, arriving from `start` to the end of the file, takes
  // the range that begins there; helpers start beside it.
  void Begin(int64_t start, int64_t stallMs);
  enum class StreamStep { Go, RangeDone, Interrupted };
  // Writes bytes of that answer at their place. Interrupted: writing
  // failed or another connection found the file changed; Run tells which.
  StreamStep WriteStream(const char* data, size_t size);
  void EndStream();

  // The task's thread fetching ranges itself until every byte is written
  // (Done), or why not.
  RangeResult Run(char* buffer, size_t bufferSize, int64_t stallMs, const std::function<void()>& eachSlice);
  void StopHelpers();

  ByteRanges Done() const { return plan_.Done(); }
  int64_t DoneBytes() const { return plan_.DoneBytes(); }
  // Connections at work: the helpers and the task's own.
  int Active() const { return helpersAlive_ + 1; }

 private:
  // Starts helpers until `connections` work at once; the first ones start
  // on `leases`.
  void TopUpHelpers(std::vector<SegmentPlan::Lease> leases = {});
  void HelperLoop(std::optional<SegmentPlan::Lease> first);
  void SetVerdict(const RangeResult& result);
  std::optional<RangeResult> Verdict() const;
  // The task's thread waits for helpers in slices, woken early when one
  // of them ends a range.
  void WaitForHelpers(const std::function<void()>& eachSlice);
  void WakeTaskThread();
  RangeWork Work(bool helper);

  Setup setup_;
  SegmentPlan plan_;
  std::atomic<int64_t> stallMs_{30000};
  std::optional<SegmentPlan::Lease> stream_;
  std::atomic<bool> stop_{false};
  std::atomic<int> helpersAlive_{0};
  std::vector<std::thread> helpers_;
  mutable std::mutex mutex_;
  std::optional<RangeResult> verdict_;  // Changed or Failed, from a helper
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};

#endif
