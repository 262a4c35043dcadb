// Text placement flags of the controls and the one routine that draws text
// with them. Text is drawn as vector glyphs by the window's painter, so it
// stays sharp at any device pixel ratio.
#ifndef VELMORA_UI_CONTROLS_UITEXT_H
#define VELMORA_UI_CONTROLS_UITEXT_H

#include <cstdint>
#include <string_view>

#include <QFont>

#include "ui/UIDefs.h"

class QPainter;

namespace ui {

enum TextAlign : unsigned {
  kTextLeft = 0x0000,
  kTextCenter = 0x0001,
  kTextRight = 0x0002,
  kTextTop = 0x0000,
  kTextVCenter = 0x0004,
  kTextBottom = 0x0008,
  kTextWordBreak = 0x0010,
  kTextSingleLine = 0x0020,
  kTextEndEllipsis = 0x8000,
};

inline constexpr unsigned kDefaultTextStyle = kTextLeft | kTextVCenter | kTextSingleLine | kTextEndEllipsis;

void DrawText(QPainter& painter, const RECT& rc, std::u16string_view text, const QFont& font,
              std::uint32_t argb, unsigned style);
// Width and height the text needs in `font` (single line unless width > 0
// and the style breaks words).
SIZE MeasureText(std::u16string_view text, const QFont& font, unsigned style, int width = 0);

}  // namespace ui

#endif
