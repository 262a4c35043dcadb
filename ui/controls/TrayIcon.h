// Notification-area icons that scripts create for a window. Mouse events on
// an icon are posted to its window as message 3010 with the icon's id in
// wParam and the mouse message in lParam (WM_LBUTTONUP, WM_LBUTTONDBLCLK,
// WM_RBUTTONUP or WM_MBUTTONUP). Window thread only.
#ifndef VELMORA_UI_CONTROLS_TRAYICON_H
#define VELMORA_UI_CONTROLS_TRAYICON_H

#include <string>

#include "ui/UIDefs.h"

namespace ui {

inline constexpr UINT kTrayMessage = 3010;

// Adds or replaces the icon `id` of `hwnd`; `image` names a skin image or
// a file. False when the image cannot be loaded.
bool AddTrayIcon(HWND hwnd, int id, const std::u16string& tip, const std::u16string& image);
bool SetTrayTip(HWND hwnd, int id, const std::u16string& tip);
bool RemoveTrayIcon(HWND hwnd, int id);
bool HasTrayIcon(HWND hwnd, int id);
// A balloon message from one of the window's icons; false when it has none
// or the desktop shows no tray messages.
bool ShowTrayMessage(HWND hwnd, const std::u16string& title, const std::u16string& text, int timeoutMs);
// What a click on the icon does, for tests on desktops without a tray:
// posts the message as a real event would. False for an unknown icon.
bool SimulateTrayEvent(HWND hwnd, int id, UINT mouseMessage);

}  // namespace ui

#endif
