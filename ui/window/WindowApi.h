// The desktop's window calls, as free functions over our window system.
// No Qt here: worker threads and the application layer call these directly.
//
// Threads: PostMessage, FindWindow, IsWindow and PostQuitMessage may be
// called from any thread. SendMessage may be called from any thread; from a
// thread other than the window's it waits until the window thread has
// handled the message. Everything else belongs to the window thread (the
// thread that created the first window).
#ifndef VELMORA_UI_WINDOW_WINDOWAPI_H
#define VELMORA_UI_WINDOW_WINDOWAPI_H

#include <string>
#include <string_view>

#include "ui/UIDefs.h"

// Messages.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline BOOL PostMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return PostMessage(h, m, w, l); }
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessageW(HWND h, UINT m, WPARAM w, LPARAM l) { return SendMessage(h, m, w, l); }
// Ends the thread's CPaintManagerUI::MessageLoop once the messages posted
// before it are handled; a modal loop running at that moment ends first.
void PostQuitMessage(int exitCode);
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Timers: WM_TIMER with wParam `id` every `elapseMs`. Setting an id again
// restarts it. Returns `id` (0 on failure).
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, void* unusedCallback = nullptr);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Lookup. FindWindow searches top-level windows of this process first, then
// of every other Velmora process of this user. `className` is ignored when
// null or empty.
HWND FindWindow(const char16_t* className, const char16_t* title);
inline HWND FindWindowW(const char16_t* c, const char16_t* t) { return FindWindow(c, t); }
// The same lookup restricted to this process. Worker threads that want
// their own process's main window use this: while that window does not exist
// yet, FindWindow would hand them another instance's window.
HWND FindWindowInProcess(const char16_t* className, const char16_t* title);
BOOL IsWindow(HWND hwnd);
HWND GetParent(HWND hwnd);
HWND GetAncestorRoot(HWND hwnd);
HWND GetFocus();
HWND SetFocus(HWND hwnd);

// State and geometry (screen coordinates for window rectangles).
BOOL ShowWindow(HWND hwnd, int command);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ScreenToClient(HWND hwnd, POINT* point);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);
inline LONG GetWindowLongW(HWND h, int i) { return GetWindowLong(h, i); }
inline LONG SetWindowLongW(HWND h, int i, LONG v) { return SetWindowLong(h, i, v); }
BOOL SetWindowText(HWND hwnd, std::u16string_view text);
std::u16string GetWindowText(HWND hwnd);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);

// The pointer's shape over the client area. Every move of the mouse over
// it with no button held goes back to the arrow before the window sees the
// move, so a control sets another shape (a divider that can be dragged)
// while the mouse is on it and need not reset it.
enum class ClientCursor { Arrow, SizeWE };
BOOL SetClientCursor(HWND hwnd, ClientCursor cursor);
ClientCursor GetClientCursor(HWND hwnd);

// Regions. The region passed to SetWindowRgn belongs to the window from then
// on; DeleteObject on it afterwards does nothing and returns FALSE.
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int widthEllipse, int heightEllipse);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
BOOL DeleteObject(HRGN region);

// Monitors. The work area leaves panels and task bars out.
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);
inline BOOL GetMonitorInfoW(HMONITOR m, MONITORINFO* i) { return GetMonitorInfo(m, i); }

// The desktop's plain message box: text, caption, MB_* buttons and icon.
// Returns IDOK, IDCANCEL, IDYES, IDNO or IDRETRY.
int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type);
inline int MessageBoxW(HWND o, std::u16string_view t, std::u16string_view c, UINT type) {
  return MessageBox(o, t, c, type);
}

#endif
