// Window regions. A region handle is a heap object known to this table; a
// handle not in it (never made, deleted, or handed to a window) is refused.
#include <memory>
#include <mutex>
#include <unordered_map>

#include <QPainterPath>
#include <QRegion>

#include "ui/window/MessageQueue.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

namespace {

struct RegionTable {
  std::mutex mutex;
  std::unordered_map<HRGN, std::unique_ptr<QRegion>> regions;
};

RegionTable& Table() {
  static RegionTable table;
  return table;
}

HRGN Keep(QRegion region) {
  auto object = std::make_unique<QRegion>(std::move(region));
  HRGN handle = reinterpret_cast<HRGN>(object.get());
  std::lock_guard lock(Table().mutex);
  Table().regions.emplace(handle, std::move(object));
  return handle;
}

std::unique_ptr<QRegion> Take(HRGN handle) {
  std::lock_guard lock(Table().mutex);
  auto it = Table().regions.find(handle);
  if (it == Table().regions.end()) return nullptr;
  auto object = std::move(it->second);
  Table().regions.erase(it);
  return object;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return Keep(QRegion(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized()));
}

// Like the desktop's, the region covers [left, right) x [top, bottom) with
// corners cut by ellipses of the given width and height.
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int widthEllipse, int heightEllipse) {
  const QRectF box(left, top, right - left, bottom - top);
  if (box.width() <= 0 || box.height() <= 0) return Keep(QRegion());
  QPainterPath path;
  path.addRoundedRect(box, std::max(widthEllipse, 0) / 2.0, std::max(heightEllipse, 0) / 2.0);
  return Keep(QRegion(path.toFillPolygon().toPolygon()));
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL) {
  auto* host = ui::detail::OnWindowThread() ? ui::detail::WindowHost::From(hwnd) : nullptr;
  if (!host) return 0;
  if (!region) {
    host->SetRegion(QRegion());
    return 1;
  }
  std::unique_ptr<QRegion> owned = Take(region);
  if (!owned) return 0;
  host->SetRegion(*owned);
  return 1;
}

BOOL DeleteObject(HRGN region) { return Take(region) ? TRUE : FALSE; }
