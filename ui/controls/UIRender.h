// The drawing surface a control paints into: a QPainter already set up for
// the window (device pixel ratio applied, origin at the client top-left),
// and the part of the client area that needs painting.
#ifndef VELMORA_UI_CONTROLS_UIRENDER_H
#define VELMORA_UI_CONTROLS_UIRENDER_H

#include <QPainter>

#include "ui/UIDefs.h"

class CPaintManagerUI;

struct UIRenderContext {
  QPainter& painter;
  RECT dirty;
  CPaintManagerUI* manager = nullptr;
};

inline QRect ToQRect(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }
inline RECT ToRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
inline bool PointInRect(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

#endif
