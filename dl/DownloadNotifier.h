// How the engine's state changes reach a main window without dl/ knowing
// any window system: the application installs a poster (which posts the
// message to its window); without one, nothing is sent and scripts poll.
#ifndef VELMORA_DL_DOWNLOADNOTIFIER_H
#define VELMORA_DL_DOWNLOADNOTIFIER_H

#include <cstdint>
#include <functional>

#include "dl/TaskState.h"

// The main window's message for a task's change of state: wParam the task
// id, lParam the new state (TaskState's number).
inline constexpr unsigned kDownloadStateMessage = 3020;

using DownloadStatePoster = std::function<void(int64_t id, TaskState state)>;

// Thread-safe; an empty poster stops the messages.
void SetDownloadStatePoster(DownloadStatePoster poster);
void PostDownloadState(int64_t id, TaskState state);

#endif
