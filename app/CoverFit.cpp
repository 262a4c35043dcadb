#include "app/CoverFit.h"

#include <algorithm>
#include <cstdint>

namespace {

// a * b / c without overflow on large pictures; c is at least 1.
int Scale(int a, int b, int c) { return static_cast<int>(std::int64_t{a} * b / std::max(c, 1)); }

}  // namespace

CoverFit FitCover(int width, int height, int workWidth, int workHeight) {
  const int W = std::max(width, 1);
  const int H = std::max(height, 1);
  const int Wl = workWidth - 10;
  const int Hl = workHeight - 10;
  CoverFit fit;
  int& ww = fit.windowWidth;
  int& wh = fit.windowHeight;
  int w = W;
  int h = H;
  if (H <= kCoverWindowHeight && W < kCoverWindowWidth) {
    // Fits the starting window as it is.
  } else if (H > kCoverWindowHeight && W <= kCoverWindowWidth) {
    if (H < Hl) {
      wh = H + 10;
    } else {
      h = Hl - 10;
      w = Scale(h, W, H);
      wh = Hl;
    }
  } else if (H <= kCoverWindowHeight) {
    if (W < Wl) {
      ww = W + 10;
    } else {
      w = Wl - 10;
      h = Scale(H, w, W);
      ww = Wl;
    }
  } else if (static_cast<double>(H) / Hl < static_cast<double>(W) / Wl) {
    h = Hl - 10;
    w = Scale(h, W, H);
    wh = Hl;
    ww = w + 10;
    if (w > Wl) {
      w = Wl - 10;
      h = Scale(H, w, W);
      ww = Wl;
      wh = h + 10;
    }
  } else {
    w = Wl - 10;
    h = Scale(H, w, W);
    ww = Wl;
    wh = h + 10;
    if (h > Hl) {
      h = Hl - 10;
      w = Scale(W, h, H);
      ww = w + 10;
      wh = Hl;
    }
  }
  // A work area smaller than the margins would leave nothing to show.
  fit.pictureWidth = std::max(w, 1);
  fit.pictureHeight = std::max(h, 1);
  ww = std::max(ww, 1);
  wh = std::max(wh, 1);
  fit.pictureX = (ww - fit.pictureWidth) / 2;
  fit.pictureY = (wh - fit.pictureHeight) / 2;
  return fit;
}
