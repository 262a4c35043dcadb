#include "dl/TaskState.h"

const char* TaskStateName(TaskState state) {
  switch (state) {
    case TaskState::Queued: return "queued";
    case TaskState::Running: return "running";
    case TaskState::Paused: return "paused";
    case TaskState::Done: return "done";
    case TaskState::Failed: return "failed";
  }
  return "failed";
}
