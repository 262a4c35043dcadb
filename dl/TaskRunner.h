// One task's transfer from start to an end (done, failed or stopped), run on
// the task's worker thread: it finds or creates the part file and its
// record, connects, asks for the missing bytes, checks every answer before a
// byte is written, writes the body, keeps the record current, retries what
// may pass (stalls, cut connections) with growing pauses, and finally checks
// and renames the file.
//
// The runner reports to its TaskHost (the engine) and polls StopRequested
// at least every 200 ms.
#ifndef VELMORA_DL_TASKRUNNER_H
#define VELMORA_DL_TASKRUNNER_H

#include <cstdint>
#include <string>

#include "base/ResultCode.h"
#include "net/HttpUrl.h"
#include "net/HeaderList.h"

class RateLimiter;

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
};

struct TaskSetup {
  std::string url;     // as added, UTF-8
  std::string folder;  // native path, no trailing separator
  std::string name;    // fixed name, or empty to take the server's
  std::string sha256;  // lowercase hex, or empty
  HeaderList headers;  // the script's own, checked; memory only
  int connections = 1; // at most this many at once for this file
};

struct RetryPolicy {
  int maxFailuresInRow = 5;
  int firstPauseMs = 250;          // doubles after each failure
  int noProgressLimitSeconds = 60; // a task receiving nothing this long fails
};

struct RunOutcome {
  enum class End { Done, Failed, Stopped } end = End::Failed;
  ResultCode code = Success;
  std::string error;
};

RunOutcome RunTask(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
                   const RetryPolicy& policy);

#endif
