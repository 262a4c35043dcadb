// Keeps a transfer's record in step with its part file: the data the
// record claims is flushed first, then the record is rewritten. Saves run
// on a helper thread so the transfer goes on meanwhile, as often as
// CheckpointPolicy lets them; an error of a background save comes back on
// the next call. One per transfer, used from its worker thread.
#ifndef VELMORA_DL_CHECKPOINTER_H
#define VELMORA_DL_CHECKPOINTER_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "dl/CheckpointPolicy.h"
#include "dl/PartRecord.h"
#include "dl/SteadyClock.h"
#include "platform/DataFile.h"

class Checkpointer {
 public:
  enum class When { IfDue, NowInBackground, NowAndWait };

  // `file` is the part file the records describe; it must outlive this.
  explicit Checkpointer(platform::DataFile& file, SteadyClock clock = std::chrono::steady_clock::now);
  ~Checkpointer();
  Checkpointer(const Checkpointer&) = delete;
  Checkpointer& operator=(const Checkpointer&) = delete;

  // Saves the record `snapshot` makes for `partPath` after flushing the
  // data it claims: when due (asked after every read; `doneBytes` is
  // only asked once the clock allows a save), now on the helper thread,
  // or now and waited for. 0 or an errno, also one left by an earlier
  // background save.
  int Save(When when, const std::string& partPath, const std::function<int64_t()>& doneBytes,
           const std::function<PartRecord()>& snapshot);
  // Until the background save, if any, is through: before the file's
  // bytes change under a record that may describe them.
  void Wait();
  // Drops the error of a background save nobody is left to hear of.
  void ForgetError() { error_ = 0; }

 private:
  int Write(const PartRecord& snapshot, const std::string& partPath, int64_t pendingBytes);

  platform::DataFile& file_;
  SteadyClock clock_;
  std::chrono::steady_clock::time_point last_{};
  int64_t doneAtLast_ = 0;
  std::thread saver_;
  std::atomic<bool> busy_{false};
  std::atomic<int> error_{0};
  // How fast the disk took the last large flush; a guess until measured.
  std::atomic<double> flushBytesPerSecond_{CheckpointPolicy::kFirstFlushBytesPerSecond};
};

#endif
