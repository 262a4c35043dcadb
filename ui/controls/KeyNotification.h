// "keydown": every key pressed in a window reaches its notifiers after the
// control with the keyboard had it, so scripts can bind shortcuts. wParam
// is the virtual key ('A'..'Z', '0'..'9', VK_DELETE, VK_RETURN, VK_SPACE,
// VK_F1.., the arrows), lParam the modifiers (ui/window/KeyModifiers.h); the
// sender is the control with the keyboard, or the root when none has it.
//
// Keys that belong to typing are left out, so text fields keep working:
// modifier keys alone, Tab (the focus chain), and, while an edit has the
// keyboard, text and editing keys without Ctrl or Alt (letters, digits,
// Space, Delete, Backspace, Enter, the arrows, Home, End) and its own
// Ctrl+A, C, V, X, Y and Z. F-keys, Escape and other Ctrl or Alt
// combinations still come through from an edit.
#ifndef VELMORA_UI_KEYNOTIFICATION_H
#define VELMORA_UI_KEYNOTIFICATION_H

#include "ui/UIDefs.h"

#include <string_view>

namespace ui::detail {

// `focusClass` is the class of the control with the keyboard, empty when
// none has it.
bool IsNotifiedKey(std::u16string_view focusClass, UINT virtualKey, unsigned modifiers);

}  // namespace ui::detail

#endif
