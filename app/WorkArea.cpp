#include "app/WorkArea.h"

#include "ui/window/WindowApi.h"

std::optional<RECT> QueryWorkArea(HWND hwnd) {
  MONITORINFO monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return std::nullopt;
  const RECT work = monitor.rcWork;
  if (work.right - work.left <= 0 || work.bottom - work.top <= 0) return std::nullopt;
  return work;
}

RECT WorkAreaOrDefault(HWND hwnd) {
  if (auto work = QueryWorkArea(hwnd)) return *work;
  return RECT{0, 0, 1024, 768};
}
