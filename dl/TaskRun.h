// What a task's run is made of, shared by the engine that starts it, the
// runner that drives its attempts and the transfer that does the work: the
// host the run reports to, what it is asked to fetch, how it retries and
// how it ended.
#ifndef VELMORA_DL_TASKRUN_H
#define VELMORA_DL_TASKRUN_H

#include <cstdint>
#include <functional>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "dl/ExpectedDigest.h"
#include "dl/TaskState.h"
#include "net/HeaderList.h"

// What the runner asks of and tells the engine. Called on the worker thread.
class TaskHost {
 public:
  virtual ~TaskHost() = default;
  virtual bool StopRequested() = 0;
  virtual int StallTimeoutSeconds() = 0;
  // A free name in `folder` near `proposed`, claimed for this task.
  virtual std::string ClaimName(const std::string& folder, const std::string& proposed) = 0;
  // The file the task writes is now known (name and full path of the final file).
  virtual void Named(const std::string& name, const std::string& file) = 0;
  virtual void Progress(int64_t done, int64_t total) = 0;
  // The URL that answered after any redirects.
  virtual void Answered(const std::string& /*finalUrl*/) {}
  // The run waits before its next try until `unixSeconds`; 0: it no longer waits.
  virtual void Waiting(int64_t /*unixSeconds*/) {}
  // Connections carrying the file right now.
  virtual void Connections(int /*count*/) {}
  // The digest the finished file is checked against, once known, and how
  // the check stands ("pending", "verified", "mismatch").
  virtual void Checksum(const std::string& /*algorithm*/, const std::string& /*source*/,
                        const std::string& /*state*/) {}
  // The task is a stream; its segments, variant and container.
  virtual void Streaming(const StreamFacts& /*facts*/) {}
};



struct TaskSetup {
  std::string url;     // as added, UTF-8
  std::string folder;  // native path, no trailing separator
  std::string name;    // fixed name, or empty to take the server's
  ExpectedDigest checksum;  // the script's own, or none
  // The URL the part's record was made with, when the link was refreshed
  // since; the record is continued only for the same file.
  std::string previousUrl;
  // A web page is saved even where the link names another kind of file.
  bool acceptWebPage = false;
  HeaderList headers;  // the script's own, checked; memory only
  int connections = 1; // at most this many at once for this file
  std::string variant;   // a stream's variant choice; empty: the best
  std::string container; // a stream's container: "ts", "mp4" or empty (mp4 when ffmpeg is there)
};

struct RetryPolicy {
  // Tries in a row that bring no byte beyond the furthest ever held.
  int maxFailuresInRow = 5;
  int firstPauseMs = 250;          // doubles after each failure
  int noProgressLimitSeconds = 60; // a task receiving nothing this long fails
  // Waits `ms` unless `stopped` turns true first (then false). Tests put one
  // here that returns at once and notes the wait.
  std::function<bool(const std::function<bool()>& stopped, int64_t ms)> pause;
  // Seconds since the epoch, for Retry-After dates and the time shown.
  std::function<int64_t()> wallClock;
};

struct RunOutcome {
  enum class End { Done, Failed, Stopped } end = End::Failed;
  FailureCause cause = FailureCause::None;  // why it failed
  ResultCode code = Success;
  std::string error;
  int httpStatus = 0;  // the server's status when a status is the cause, else 0
};

#endif
