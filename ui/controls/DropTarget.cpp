#include "ui/controls/DropTarget.h"

#include "ui/window/WindowHost.h"

namespace ui {

bool SetAcceptDrops(HWND hwnd, bool accept) {
  detail::WindowHost* host = detail::WindowHost::From(hwnd);
  if (!host) return false;
  host->setAcceptDrops(accept);
  return true;
}

}  // namespace ui
