// A task whose URL is a playlist of a segmented stream: the playlist (and
// the chosen variant's) fetched, the segments fetched several at once,
// decrypted and appended in order to the part file with a record that lets
// a pause, a quit or a crash continue with the missing segments only; then
// the part renamed to the result or, with ffmpeg, remuxed into MP4. A live
// playlist is recorded from its newest segments until the task is paused
// or the stream ends.
#ifndef VELMORA_DL_STREAM_STREAMTASK_H
#define VELMORA_DL_STREAM_STREAMTASK_H

#include "dl/TaskRun.h"

class RateLimiter;

RunOutcome RunStreamTask(const TaskSetup& setup, TaskHost& host, RateLimiter& taskLimit, RateLimiter& globalLimit,
                         const RetryPolicy& policy);

#endif
