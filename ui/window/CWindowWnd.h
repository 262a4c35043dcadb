// The base of every window. A derived class names its class, may change the
// class style, and receives every message of its window in HandleMessage;
// the base handling (DefWindowProc) moves, sizes, minimises, maximises and
// destroys as the desktop does.
//
// The object outlives its window: after WM_NCDESTROY the handle is cleared
// and OnFinalMessage runs last (a derived class may delete itself there).
#ifndef VELMORA_UI_WINDOW_CWINDOWWND_H
#define VELMORA_UI_WINDOW_CWINDOWWND_H

#include <string_view>

#include "ui/UIDefs.h"
#include "ui/window/WindowProcedure.h"

class CWindowWnd : private ui::detail::IWindowProcedure {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return hwnd_; }
  operator HWND() const { return hwnd_; }

  // Creates the window and runs WM_CREATE inside; null on failure (or when
  // WM_CREATE answers -1). CW_USEDEFAULT is accepted for position and size.
  HWND Create(HWND parent, std::u16string_view title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  HWND Create(HWND parent, std::u16string_view title, DWORD style, DWORD exStyle, const RECT& rc,
              HMENU menu = nullptr);

  void ShowWindow(bool show = true, bool takeFocus = true);
  // Disables the owner, shows the window and runs a nested loop until the
  // window is destroyed; returns the value given to Close (or with the
  // WM_CLOSE that ended it). A WM_QUIT ends the loop too and is kept for the
  // outer loop.
  UINT ShowModal();
  // Posts WM_CLOSE with `result` as wParam.
  void Close(UINT result = IDOK);
  // Centres over the owner, or over the work area when there is none.
  void CenterWindow();
  void ResizeClient(int cx = -1, int cy = -1);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessageW(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return PostMessage(message, wParam, lParam);
  }

 protected:
  virtual const char16_t* GetWindowClassName() const = 0;
  virtual const char16_t* GetSuperClassName() const { return nullptr; }
  virtual UINT GetClassStyle() const { return 0; }
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnFinalMessage(HWND hwnd);

 private:
  LRESULT DeliverMessage(UINT message, WPARAM wParam, LPARAM lParam) final;
  void HandleGone(HWND hwnd) final;

  HWND hwnd_ = nullptr;
};

#endif
