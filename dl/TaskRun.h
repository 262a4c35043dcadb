// What a task's run is made of, shared by the engine that starts it, the
// runner that drives its attempts and the transfer that does the work: the
// host the run reports to, what it is asked to fetch, how it retries and
// how it ended.
#ifndef VELMORA_DL_TASKRUN_H
#define VELMORA_DL_TASKRUN_H

#include <cstdint>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
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
  // The task is a stream; its segments, variant and container.
  virtual void Streaming(const StreamFacts& /*facts*/) {}
};

struct TaskSetup {
  std::string url;     // as added, UTF-8
  std::string folder;  // native path, no trailing separator
  std::string name;    // fixed name, or empty to take the server's
  std::string sha256;  // lowercase hex, or empty
  HeaderList headers;  // the script's own, checked; memory only
  int connections = 1; // at most this many at once for this file
  std::string variant;   // a stream's variant choice; empty: the best
  std::string container; // a stream's container: "ts", "mp4" or empty (mp4 when ffmpeg is there)
};

struct RetryPolicy {
  int maxFailuresInRow = 5;
  int firstPauseMs = 250;          // doubles after each failure
  int noProgressLimitSeconds = 60; // a task receiving nothing this long fails
};

struct RunOutcome {
  enum class End { Done, Failed, Stopped } end = End::Failed;
  FailureCause cause = FailureCause::None;  // why it failed
  ResultCode code = Success;
  std::string error;
};

#endif
