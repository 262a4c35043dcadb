// One extraction running on a thread of its own, for the scripts: they
// start it, poll its state and progress from their timer, may cancel it,
// and delete it when done. Destroying a job that still runs cancels it and
// waits for the thread (the extraction checks for a cancel between chunks
// of 64 KiB, so the wait is short). State and error are safe to read from
// any thread.
#ifndef VELMORA_ARCHIVE_EXTRACTJOB_H
#define VELMORA_ARCHIVE_EXTRACTJOB_H

#include <mutex>
#include <string>
#include <thread>

#include "archive/ZipExtractor.h"

namespace archive {

class ExtractJob {
 public:
  enum class State { Running, Done, Failed, Cancelled };

  ExtractJob(std::string archivePath, std::string folder, ExtractLimits limits);
  ~ExtractJob();
  ExtractJob(const ExtractJob&) = delete;
  ExtractJob& operator=(const ExtractJob&) = delete;

  State GetState() const;
  // Empty unless the state is Failed or Cancelled.
  std::string Error() const;
  const ExtractProgress& Progress() const { return progress_; }
  void Cancel() { progress_.cancel = true; }

 private:
  void Run(std::string archivePath, std::string folder, ExtractLimits limits);

  ExtractProgress progress_;
  mutable std::mutex mutex_;
  State state_ = State::Running;
  std::string error_;
  std::thread thread_;  // last: it starts once everything above exists
};

const char* StateName(ExtractJob::State state);

}  // namespace archive

#endif
