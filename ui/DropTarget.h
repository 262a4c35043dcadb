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

class QMimeData;

namespace ui {

// More dropped text than this is refused (reported, nothing delivered).
inline constexpr std::size_t kMaxDropTextUnits = 1 << 20;

// False when `hwnd` is no window of ours.
bool SetAcceptDrops(HWND hwnd, bool accept);

namespace detail {

struct DroppedItems {
  std::u16string text;
  int count = 0;
};

bool CanTakeDrop(const QMimeData& data);
// The items of a drop; nullopt when it holds none or too much text.
std::optional<DroppedItems> ReadDrop(const QMimeData& data);
// Raises "drop" in the window's paint manager; false when nothing took it.
bool DeliverDrop(HWND hwnd, POINT pt, DroppedItems items);

}  // namespace detail

}  // namespace ui

#endif
