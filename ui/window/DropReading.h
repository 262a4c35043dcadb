// What a drop on a window carries, read from Qt's mime data: links as they
// are, local files as paths, plain text with its line ends made "\n". The
// window host reads it; the layer above decides who gets it.
// Window thread only.
#ifndef VELMORA_UI_WINDOW_DROPREADING_H
#define VELMORA_UI_WINDOW_DROPREADING_H

#include <cstddef>
#include <optional>
#include <string>

class QMimeData;

namespace ui {

// More dropped text than this is refused (reported, nothing delivered).
inline constexpr std::size_t kMaxDropTextUnits = 1 << 20;

namespace detail {

struct DroppedItems {
  std::u16string text;
  int count = 0;
};

bool CanTakeDrop(const QMimeData& data);
// The items of a drop; nullopt when it holds none or too much text.
std::optional<DroppedItems> ReadDrop(const QMimeData& data);

}  // namespace detail

}  // namespace ui

#endif
