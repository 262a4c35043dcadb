// Driving windows from tests: synthesised input that takes the same road as
// real input (hit test first, then the client message), answers for modal
// loops and message boxes, and pictures of windows. Window thread only.
#ifndef VELMORA_UI_WINDOW_AUTOMATION_H
#define VELMORA_UI_WINDOW_AUTOMATION_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/UIDefs.h"
#include "ui/window/MessageBoxRecord.h"

namespace ui::automation {

enum class Button { Left, Right, Middle };

// Client coordinates. A press on a caption or an edge moves or sizes the
// window as a real press would. `modifiers` are held keys (ui/KeyModifiers.h).
void MouseDown(HWND hwnd, POINT pt, Button button = Button::Left, unsigned modifiers = 0);
void MouseUp(HWND hwnd, POINT pt, Button button = Button::Left, unsigned modifiers = 0);
void MouseMove(HWND hwnd, POINT pt, bool leftHeld = false);
void Click(HWND hwnd, POINT pt, Button button = Button::Left, unsigned modifiers = 0);
void DoubleClick(HWND hwnd, POINT pt);
void Wheel(HWND hwnd, POINT pt, int delta);
// Key down (with its WM_CHAR when `text` is given) and key up.
void KeyPress(HWND hwnd, UINT virtualKey, std::u16string_view text = {}, unsigned modifiers = 0);
void TypeText(HWND hwnd, std::u16string_view text);
// Drops links (a text/uri-list) or plain text at a client point, as a drag
// from another program ends; false when the window did not take it.
bool DropLinks(HWND hwnd, POINT pt, const std::vector<std::u16string>& links);
bool DropText(HWND hwnd, POINT pt, std::u16string_view text);

// Handles whatever is queued for the window thread, without waiting.
void ProcessEvents();
// Runs the window thread's events until `done` holds or `timeoutMs` passes.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Called inside every modal loop once it runs, with the modal window.
void SetModalHook(std::function<void(HWND)> hook);
// The next modal loop closes at once with this value (first in, first out).
void QueueModalAnswer(UINT result);

// Answers message boxes without showing them. When the handler gives no
// value the box is shown, except on a display-less platform, where the
// first button answers.
void SetMessageBoxHandler(std::function<std::optional<int>(const MessageBoxRecord&)> handler);
void QueueMessageBoxAnswer(int answer);
// Every box asked for since the last call, with the answer it got.
std::vector<MessageBoxRecord> TakeMessageBoxLog();

// Pictures the window as it is on screen (outside its region transparent).
bool RenderToPng(HWND hwnd, const std::string& path);

// Pretends the monitor of every window has these bounds; empty restores.
void OverrideMonitor(std::optional<RECT> monitor, std::optional<RECT> workArea);

// Removes every test hook, queued answer and override.
void Reset();

}  // namespace ui::automation

#endif
