// Window handles, message words and the plain structures the desktop window
// model passes around, with their desktop numeric layout. Free of any toolkit,
// so the window link's client and the window system share them.
#ifndef VELMORA_PLATFORM_WINDOWTYPES_H
#define VELMORA_PLATFORM_WINDOWTYPES_H

#include <cstdint>

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
struct HRGN__;
using HRGN = HRGN__*;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
struct HMENU__;
using HMENU = HMENU__*;
using HMODULE = HINSTANCE;

using UINT = unsigned int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

// lpData holds cbData bytes; nothing past cbData is read or promised (the
// bytes need not end with a zero).
struct COPYDATASTRUCT {
  ULONG_PTR dwData = 0;
  DWORD cbData = 0;
  const void* lpData = nullptr;
};

struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags = 0;
};

#endif
