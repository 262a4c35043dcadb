// The window API's monitor calls over ui/window/Monitors.h.
#include <QGuiApplication>
#include <QScreen>

#include "ui/window/MessageQueue.h"
#include "ui/window/Monitors.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  ui::detail::EnsureApplication();
  auto* host = ui::detail::OnWindowThread() ? ui::detail::WindowHost::From(hwnd) : nullptr;
  if (host && host->screen()) return ui::detail::MonitorOfScreen(host->screen());
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  return ui::detail::MonitorOfScreen(QGuiApplication::primaryScreen());
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  return info && ui::detail::ReadMonitorInfo(monitor, *info) ? TRUE : FALSE;
}
