#include "dl/Checkpointer.h"

#include <algorithm>

Checkpointer::Checkpointer(platform::DataFile& file, SteadyClock clock) : file_(file), clock_(std::move(clock)) {}

Checkpointer::~Checkpointer() { Wait(); }

void Checkpointer::Wait() {
  if (saver_.joinable()) saver_.join();
}

int Checkpointer::Save(When when, const std::string& partPath, const std::function<int64_t()>& doneBytes,
                       const std::function<PartRecord()>& snapshot) {
  if (int error = error_.exchange(0)) return error;
  auto now = clock_();
  // Asked after every read: the clock decides most calls before any count.
  if (when == When::IfDue && (busy_ || now - last_ < CheckpointPolicy::kEvery)) return 0;
  int64_t done = doneBytes();
  int64_t pending = std::max<int64_t>(done - doneAtLast_, 0);
  if (when == When::IfDue && !CheckpointPolicy::Due(now - last_, pending, flushBytesPerSecond_.load())) return 0;
  last_ = now;
  doneAtLast_ = done;
  PartRecord record = snapshot();
  Wait();
  if (when == When::NowAndWait) return Write(record, partPath, pending);
  // Flushing can take a while on a slow disk; the transfer goes on
  // meanwhile, and the record claims only what was written before it.
  busy_ = true;
  saver_ = std::thread([this, record = std::move(record), path = partPath, pending] {
    error_ = Write(record, path, pending);
    busy_ = false;
  });
  return 0;
}

int Checkpointer::Write(const PartRecord& snapshot, const std::string& partPath, int64_t pendingBytes) {
  // The record may only claim bytes that are on the device.
  if (snapshot.resumable) {
    auto started = clock_();
    if (int error = file_.Sync()) return error;
    double seconds = std::chrono::duration<double>(clock_() - started).count();
    if (pendingBytes >= CheckpointPolicy::kMeasurableFlush && seconds > 0)
      flushBytesPerSecond_ =
          std::max(static_cast<double>(pendingBytes) / seconds, 1.0 * CheckpointPolicy::kMeasurableFlush);
  }
  return SavePartRecord(PartRecordPath(partPath), snapshot);
}
