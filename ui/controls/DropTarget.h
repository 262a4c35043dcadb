// Links, files and text dropped on a window reach its notifiers as "drop":
// the sender is the control under the drop point (the root when none), the
// notification's point is the drop point, wParam the number of items, and
// the notification's text the items one a line: links as they are, local
// files as paths, dropped plain text with its line ends made "\n". Windows
// take drops only once asked to.
// Window thread only.
#ifndef VELMORA_UI_DROPTARGET_H
#define VELMORA_UI_DROPTARGET_H

#include <cstddef>
#include <optional>
#include <string>

#include "ui/UIDefs.h"
#include "ui/window/DropReading.h"

namespace ui {

// False when `hwnd` is no window of ours. The paint manager raises the
// "drop" notification itself when the window host hands it a drop.
bool SetAcceptDrops(HWND hwnd, bool accept);

}  // namespace ui

#endif
