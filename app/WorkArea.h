// The work area (the monitor without panels and task bars) a window sits on,
// for sizing and placing windows. A failed or empty monitor query never
// yields a 0x0 area.
#ifndef VELMORA_APP_WORKAREA_H
#define VELMORA_APP_WORKAREA_H

#include <optional>

#include "ui/UIDefs.h"

// The work area of the monitor nearest to `hwnd` (the primary one when it is
// on none); nothing when the query fails or gives an empty area.
std::optional<RECT> QueryWorkArea(HWND hwnd);
// The same, falling back to a 1024x768 area at the origin.
RECT WorkAreaOrDefault(HWND hwnd);

#endif
