#include "ui/window/CWindowWnd.h"

#include <QString>

#include "ui/window/AutomationHooks.h"
#include "ui/window/MessageQueue.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"
#include "ui/window/WindowLinkServer.h"
#include "ui/window/WindowRegistry.h"

using ui::detail::WindowHost;
using ui::detail::WindowRegistry;

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

// A top-level window with an owner stays above it, as owned windows do on the
// desktop the code was written for: the window manager is told through the
// transient hint, which it honours only for dialog-like types. Without it a
// modal box could end up behind its owner (when something raises the owner),
// leaving a window that takes no input and shows no reason why.
Qt::WindowFlags FlagsFor(DWORD style, DWORD exStyle, bool owned) {
  if (style & WS_CHILD) return Qt::Widget;
  Qt::WindowFlags flags = (exStyle & WS_EX_TOOLWINDOW) ? Qt::Tool : owned ? Qt::Dialog : Qt::Window;
  if ((style & WS_CAPTION) != WS_CAPTION) flags |= Qt::FramelessWindowHint;
  if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

}  // namespace

CWindowWnd::~CWindowWnd() {
  // The object goes first: the window must not call into it any more, so it
  // is destroyed with the base handling only.
  if (WindowHost* host = hwnd_ && ui::detail::OnWindowThread() ? WindowHost::From(hwnd_) : nullptr) {
    host->DetachOwner();
    host->Destroy();
  }
}

HWND CWindowWnd::Create(HWND parent, std::u16string_view title, DWORD style, DWORD exStyle, const RECT& rc,
                        HMENU menu) {
  return Create(parent, title, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

HWND CWindowWnd::Create(HWND parent, std::u16string_view title, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy, HMENU) {
  if (hwnd_) return nullptr;
  ui::detail::EnsureApplication();
  if (!ui::detail::OnWindowThread()) return nullptr;
  WindowHost* parentHost = parent ? WindowHost::From(parent) : nullptr;
  if (parent && !parentHost) return nullptr;

  auto* host = new WindowHost(this, parentHost, FlagsFor(style, exStyle, parentHost != nullptr));
  const bool topLevel = (style & WS_CHILD) == 0;
  const HWND hwnd = WindowRegistry::Instance().Add(host, parent, topLevel);
  host->SetHandle(hwnd);
  hwnd_ = hwnd;
  host->SetStyle(style);
  host->SetExStyle(exStyle);
  host->SetClassStyle(GetClassStyle());
  if (const char16_t* className = GetWindowClassName()) WindowRegistry::Instance().SetClassName(hwnd, className);
  SetWindowText(hwnd, title);
  host->setGeometry(x == CW_USEDEFAULT ? 0 : x, y == CW_USEDEFAULT ? 0 : y,
                    cx == CW_USEDEFAULT ? kDefaultWidth : cx, cy == CW_USEDEFAULT ? kDefaultHeight : cy);
  if (topLevel) ui::detail::WindowLinkServer::EnsureStarted();

  // Windows without a frame answer 0 here: the whole window is client area,
  // which is all we have anyway.
  RECT frame{host->x(), host->y(), host->x() + host->width(), host->y() + host->height()};
  host->Dispatch(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&frame));
  if (host->Dispatch(WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  host->ApplyTrackSizes();
  host->ReportSize();
  if (style & WS_VISIBLE) host->show();
  return hwnd;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  ::ShowWindow(hwnd_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  const HWND hwnd = hwnd_;
  WindowHost* host = hwnd ? WindowHost::From(hwnd) : nullptr;
  auto* queue = ui::detail::MessageQueue::Instance();
  if (!host || !queue) return static_cast<UINT>(-1);
  const HWND owner = GetParent(hwnd);
  if (host->isVisible()) host->hide();
  host->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ui::detail::ModalLoopStarted(hwnd);
  UINT result = static_cast<UINT>(-1);
  if (!queue->RunModalLoop(hwnd, result)) return static_cast<UINT>(-1);
  if (owner && IsWindow(owner)) SetFocus(owner);
  return result;
}

void CWindowWnd::Close(UINT result) {
  if (hwnd_) ::PostMessage(hwnd_, WM_CLOSE, result, 0);
}

void CWindowWnd::CenterWindow() {
  RECT self;
  if (!GetWindowRect(hwnd_, &self)) return;
  MONITORINFO mi;
  GetMonitorInfo(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &mi);
  const RECT work = mi.rcWork;
  RECT area = work;
  const HWND owner = GetParent(hwnd_);
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
  const int w = self.right - self.left;
  const int h = self.bottom - self.top;
  int x = (area.left + area.right) / 2 - w / 2;
  int y = (area.top + area.bottom) / 2 - h / 2;
  // Keep it on the work area when it fits there.
  if (x + w > work.right) x = work.right - w;
  if (x < work.left) x = work.left;
  if (y + h > work.bottom) y = work.bottom - h;
  if (y < work.top) y = work.top;
  SetWindowPos(hwnd_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT rc;
  if (!GetClientRect(hwnd_, &rc)) return;
  if (cx < 0) cx = rc.right;
  if (cy < 0) cy = rc.bottom;
  SetWindowPos(hwnd_, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(hwnd_, message, wParam, lParam);
}

BOOL CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(hwnd_, message, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd_, message, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

LRESULT CWindowWnd::DeliverMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return HandleMessage(message, wParam, lParam);
}

void CWindowWnd::HandleGone(HWND hwnd) {
  hwnd_ = nullptr;
  OnFinalMessage(hwnd);
}
