#include "ui/window/Monitors.h"

#include <QGuiApplication>
#include <QScreen>

#include "ui/window/AutomationHooks.h"

namespace ui::detail {

namespace {

RECT FromQRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

QScreen* ScreenOf(HMONITOR monitor) {
  const auto screens = QGuiApplication::screens();
  const auto index = static_cast<qsizetype>(reinterpret_cast<std::uintptr_t>(monitor)) - 1;
  return index >= 0 && index < screens.size() ? screens[index] : nullptr;
}

}  // namespace

HMONITOR MonitorOfScreen(const QScreen* screen) {
  const auto screens = QGuiApplication::screens();
  const auto index = screens.indexOf(const_cast<QScreen*>(screen));
  return index < 0 ? nullptr : reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
}

bool ReadMonitorInfo(HMONITOR monitor, MONITORINFO& info) {
  QScreen* screen = ScreenOf(monitor);
  if (!screen) return false;
  info.rcMonitor = FromQRect(screen->geometry());
  info.rcWork = FromQRect(screen->availableGeometry());
  info.dwFlags = screen == QGuiApplication::primaryScreen() ? MONITORINFOF_PRIMARY : 0;
  if (auto bounds = MonitorOverride()) info.rcMonitor = *bounds;
  if (auto work = WorkAreaOverride()) info.rcWork = *work;
  return true;
}

}  // namespace ui::detail
