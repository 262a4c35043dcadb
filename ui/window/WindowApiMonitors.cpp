// Monitors are Qt's screens; the handle is the screen's index plus one. The
// work area is the screen's available geometry (panels left out).
#include <QGuiApplication>
#include <QScreen>

#include "ui/window/AutomationHooks.h"
#include "ui/window/MessageQueue.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

namespace {

RECT FromQRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

HMONITOR HandleOf(const QScreen* screen) {
  const auto screens = QGuiApplication::screens();
  const auto index = screens.indexOf(const_cast<QScreen*>(screen));
  return index < 0 ? nullptr : reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
}

QScreen* ScreenOf(HMONITOR monitor) {
  const auto screens = QGuiApplication::screens();
  const auto index = static_cast<qsizetype>(reinterpret_cast<std::uintptr_t>(monitor)) - 1;
  return index >= 0 && index < screens.size() ? screens[index] : nullptr;
}

}  // namespace

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  ui::detail::EnsureApplication();
  auto* host = ui::detail::OnWindowThread() ? ui::detail::WindowHost::From(hwnd) : nullptr;
  if (host && host->screen()) return HandleOf(host->screen());
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  return HandleOf(QGuiApplication::primaryScreen());
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  QScreen* screen = ScreenOf(monitor);
  if (!screen || !info) return FALSE;
  info->rcMonitor = FromQRect(screen->geometry());
  info->rcWork = FromQRect(screen->availableGeometry());
  info->dwFlags = screen == QGuiApplication::primaryScreen() ? MONITORINFOF_PRIMARY : 0;
  if (auto bounds = ui::detail::MonitorOverride()) info->rcMonitor = *bounds;
  if (auto work = ui::detail::WorkAreaOverride()) info->rcWork = *work;
  return TRUE;
}
