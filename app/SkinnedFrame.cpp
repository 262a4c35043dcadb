#include "app/SkinnedFrame.h"

void ApplyRoundCorners(HWND hwnd, const CPaintManagerUI& paintManager, WPARAM sizeKind) {
  const SIZE corner = paintManager.GetRoundCorner();
  if (sizeKind == SIZE_MINIMIZED || IsIconic(hwnd) || (corner.cx == 0 && corner.cy == 0)) return;
  RECT window;
  GetWindowRect(hwnd, &window);
  HRGN region =
      CreateRoundRectRgn(0, 0, window.right - window.left + 1, window.bottom - window.top + 1, corner.cx, corner.cy);
  // The window owns the region once it took it.
  if (!SetWindowRgn(hwnd, region, TRUE)) DeleteObject(region);
}

std::optional<LRESULT> SkinnedFrameAnswer(HWND hwnd, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      return 0;
    case WM_NCACTIVATE:
      if (!IsIconic(hwnd)) return wParam == 0 ? 1 : 0;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}
