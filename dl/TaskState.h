// The life of a download task as scripts see it, and the numbers that stand
// for each state in the state-change message to the main window.
#ifndef VELMORA_DL_TASKSTATE_H
#define VELMORA_DL_TASKSTATE_H

#include <cstdint>
#include <optional>
#include <string>

#include "base/FailureCause.h"

enum class TaskState : int { Queued = 0, Running = 1, Paused = 2, Done = 3, Failed = 4 };

const char* TaskStateName(TaskState state);

// What a stream task (a playlist fetched segment by segment) adds.
struct StreamFacts {
  int64_t segmentsDone = 0;
  int64_t segmentsTotal = 0;    // grows while a live stream is recorded
  std::string variant;          // the variant fetched, for people; empty without a choice
  std::string container;        // "ts" or "mp4"
  std::string containerNote;    // why the result is not in the container asked for
  bool recording = false;       // a live stream being recorded
};

// A consistent copy of one task, taken under the engine's lock.
struct TaskSnapshot {
  int64_t id = 0;
  std::string url;        // as added (UTF-8)
  std::string finalUrl;   // where redirects last led; empty until an answer came
  TaskState state = TaskState::Queued;
  std::string name;       // file name, UTF-8; empty until known
  std::string file;       // full native path of the final file; empty until known
  int64_t done = 0;       // bytes on disk
  int64_t total = -1;     // -1 when unknown
  int64_t speed = 0;      // bytes/s over the last few seconds
  int64_t eta = -1;       // seconds, -1 when unknown
  FailureCause cause = FailureCause::None;  // why a failed task failed
  int32_t code = 0;       // ResultCode of a failed task
  int httpStatus = 0;     // the server's status when that is why it failed
  std::string error;      // its message
  int64_t added = 0;      // seconds since the epoch
  int64_t finished = 0;   // 0 until done or failed
  int connections = 0;    // carrying the file now
  int64_t limit = 0;      // the task's own speed limit, bytes/s, 0 none
  int64_t retryAt = 0;    // seconds since the epoch while waiting to try again, else 0
  std::string checksumAlgorithm;  // "sha256", ...; empty when none is checked
  std::string checksumSource;     // "option", "repr-digest" or "digest"
  std::string checksumState = "none";  // "none", "pending", "verified", "mismatch"
  std::optional<StreamFacts> stream;  // set for stream tasks
};

#endif
