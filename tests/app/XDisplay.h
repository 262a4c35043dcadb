// Shared by the tests that run on a private X server (XDisplayMain.cpp).
#ifndef VELMORA_TESTS_APP_XDISPLAY_H
#define VELMORA_TESTS_APP_XDISPLAY_H

#include <string>

#include "ui/UIDefs.h"

// Why no X server could be started; empty when one runs.
const std::string& XDisplayFailure();

// Skips the calling test, saying why, when no X server runs.
#define SKIP_WITHOUT_X_SERVER()                                                       \
  do {                                                                                \
    if (!XDisplayFailure().empty()) GTEST_SKIP() << "no X server: " << XDisplayFailure(); \
  } while (0)

struct ScreenPixels {
  int width = 0;
  int height = 0;
  int distinctColours = 0;
  double blackShare = 0;  // share of pure black pixels
  double paintedShare = 0;  // share of pixels that are neither black nor the background
};

// Waits until the window is mapped and has painted, then reads its rectangle
// back from the X server's screen (what a user sees, not a render of our own)
// and saves it as a PNG at `pngPath` when that is not empty.
ScreenPixels GrabScreenPixels(HWND hwnd, const std::string& pngPath);

#endif
