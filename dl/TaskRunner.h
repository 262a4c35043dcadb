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

#include "dl/TaskRun.h"

class RateLimiter;

RunOutcome RunTask(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
                   const RetryPolicy& policy);

#endif
