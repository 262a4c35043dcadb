// Internal: the state the automation API sets and the window system reads
// (modal answers, message-box answers, monitor overrides).
#ifndef VELMORA_UI_WINDOW_AUTOMATIONHOOKS_H
#define VELMORA_UI_WINDOW_AUTOMATIONHOOKS_H

#include <optional>

#include "ui/UIDefs.h"
#include "ui/window/MessageBoxRecord.h"

namespace ui::detail {

// Runs inside a modal loop once it is running.
void ModalLoopStarted(HWND modal);
// An answer for the box when a test supplies one (the box is then not shown).
std::optional<int> AnswerMessageBox(const automation::MessageBoxRecord& box);
void LogMessageBox(const automation::MessageBoxRecord& box);
std::optional<RECT> MonitorOverride();
std::optional<RECT> WorkAreaOverride();

}  // namespace ui::detail

#endif
