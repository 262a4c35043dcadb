// Fitting a cover picture into the preview window: the window starts at
// 615x415 and grows with the picture up to the work area less 10 pixels;
// a picture too large for that is scaled down with its aspect kept. The
// picture is centred in the window. Integer arithmetic throughout, as the
// layout is in whole pixels.
#ifndef VELMORA_APP_COVERFIT_H
#define VELMORA_APP_COVERFIT_H

inline constexpr int kCoverWindowWidth = 615;
inline constexpr int kCoverWindowHeight = 415;
// The skin's own cover, and the size assumed for it.
inline constexpr int kFallbackCoverWidth = 552;
inline constexpr int kFallbackCoverHeight = 763;

struct CoverFit {
  int windowWidth = kCoverWindowWidth;
  int windowHeight = kCoverWindowHeight;
  int pictureWidth = 0;
  int pictureHeight = 0;
  int pictureX = 0;
  int pictureY = 0;
};

// `width` x `height` is the picture (both at least 1), `workWidth` x
// `workHeight` the work area. Every size in the answer is at least 1.
CoverFit FitCover(int width, int height, int workWidth, int workHeight);

#endif
