// What a window host calls on the object behind its window: every message
// it dispatches, and a last call once the handle is gone. CWindowWnd
// implements it, so the host never needs to know the class above it.
#ifndef VELMORA_UI_WINDOW_WINDOWPROCEDURE_H
#define VELMORA_UI_WINDOW_WINDOWPROCEDURE_H

#include "ui/UIDefs.h"

namespace ui::detail {

class IWindowProcedure {
 public:
  virtual LRESULT DeliverMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // `hwnd` is dead; the object may delete itself in here.
  virtual void HandleGone(HWND hwnd) = 0;

 protected:
  ~IWindowProcedure() = default;
};

}  // namespace ui::detail

#endif
