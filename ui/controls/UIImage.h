// Skin images: loading (from the skin archive, else from a file path) with a
// per-process cache, and drawing by descriptor.
//
// A descriptor is either a bare name ("btn_close.png") or an attribute list:
//   file='btn.png' corner='4,4,4,4' dest='0,0,16,16' source='0,0,32,32' fade='128'
// `corner` keeps the edges unscaled (nine-slice), `dest` places the image
// inside the control's rectangle, `source` picks a part of the image and
// `fade` is the opacity (0-255). All lengths are in layout pixels.
//
// High-DPI: for "name.png" the skin may hold "name@2x.png"; it is preferred
// and drawn at half its pixel size, so it is sharp at a device pixel ratio
// of 2 and smoothly scaled at 1.
#ifndef VELMORA_UI_CONTROLS_UIIMAGE_H
#define VELMORA_UI_CONTROLS_UIIMAGE_H

#include <string>
#include <string_view>

#include <QImage>

#include "ui/UIDefs.h"

class QPainter;

namespace ui {

struct ImageSpec {
  std::u16string file;
  RECT corner;
  RECT dest;
  RECT source;
  bool hasDest = false;
  bool hasSource = false;
  int fade = 255;
};

ImageSpec ParseImageSpec(std::u16string_view descriptor);

// The cached image, or null when it is missing or not decodable (reported
// once per name). Window thread only.
const QImage* LoadImage(std::u16string_view file);
// Size in layout pixels (the @2x variant counts half); 0,0 when missing.
SIZE ImageSize(std::u16string_view file);
// Draws the descriptor into `rc`; false when nothing could be drawn.
bool DrawImage(QPainter& painter, const RECT& rc, std::u16string_view descriptor);
// Forgets every cached image (the skin changed).
void ClearImageCache();

}  // namespace ui

#endif
