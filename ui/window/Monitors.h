// Monitors are Qt's screens; the handle is the screen's index plus one. The
// work area is the screen's available geometry (panels left out), and the
// automation overrides replace either rectangle. The window host maximises
// over it and the window API answers from it.
#ifndef VELMORA_UI_WINDOW_MONITORS_H
#define VELMORA_UI_WINDOW_MONITORS_H

#include "ui/UIDefs.h"

class QScreen;

namespace ui::detail {

// Null when there is no such screen.
HMONITOR MonitorOfScreen(const QScreen* screen);
// False, leaving `info` alone, when the handle names no screen.
bool ReadMonitorInfo(HMONITOR monitor, MONITORINFO& info);

}  // namespace ui::detail

#endif
