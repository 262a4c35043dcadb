// Short messages shown by the desktop outside our windows ("download
// finished"). The session's notification service is used when it runs
// (org.freedesktop.Notifications on the session bus, asked without waiting
// for its answer); otherwise a tray icon of the window shows a balloon.
// Where neither exists (no session bus, offscreen) nothing is shown and the
// answer is false: no error, no wait. Window thread only.
#ifndef VELMORA_UI_DESKTOPNOTIFICATION_H
#define VELMORA_UI_DESKTOPNOTIFICATION_H

#include <functional>
#include <string>

#include "ui/UIDefs.h"

namespace ui {

struct DesktopNotice {
  HWND window = nullptr;  // whose tray icon may stand in; may be null
  std::u16string title;
  std::u16string text;
  int timeoutMs = 5000;
};

// True when a service or a tray icon took the notice.
bool ShowDesktopNotification(const DesktopNotice& notice);

// Tests replace what shows notices; an empty function restores the desktop.
using DesktopNotifier = std::function<bool(const DesktopNotice&)>;
DesktopNotifier SetDesktopNotifier(DesktopNotifier notifier);

}  // namespace ui

#endif
