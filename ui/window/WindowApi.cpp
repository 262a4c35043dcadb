// The desktop window calls over WindowHost and the registry. Handles of
// other processes are passed to the window link.
#include "ui/window/WindowApi.h"

#include <QApplication>
#include <QScreen>

#include "platform/WindowLink.h"
#include "ui/window/MessageQueue.h"
#include "ui/window/WindowHost.h"
#include "ui/window/WindowRegistry.h"

using ui::detail::MessageQueue;
using ui::detail::WindowHost;
using ui::detail::WindowRegistry;

namespace {

// Messages whose parameters point into the sender's memory: the desktop
// refuses to post them, and so do we (a handler would read freed memory, or
// another process's numbers as pointers).
bool CarriesPointer(UINT message) {
  switch (message) {
    case WM_CREATE:
    case WM_NCCREATE:
    case WM_GETMINMAXINFO:
    case WM_NCCALCSIZE:
    case WM_COPYDATA:
    case WM_SETTEXT:
    case WM_WINDOWPOSCHANGED:
      return true;
    default:
      return false;
  }
}

WindowHost* LocalHost(HWND hwnd) {
  return ui::detail::OnWindowThread() ? WindowHost::From(hwnd) : nullptr;
}

QRect ScreenRect(WindowHost* host) { return QRect(host->mapToGlobal(QPoint(0, 0)), host->size()); }

}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CarriesPointer(message)) return FALSE;
  if (!ui::detail::IsLocalHandle(hwnd)) return ui::link::PostRemote(hwnd, message, wParam, lParam) ? TRUE : FALSE;
  MessageQueue* queue = MessageQueue::Instance();
  if (!queue || !WindowRegistry::Instance().Contains(hwnd)) return FALSE;
  return queue->Post(hwnd, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!ui::detail::IsLocalHandle(hwnd)) {
    if (message != WM_COPYDATA || !lParam) return 0;
    auto result = ui::link::SendCopyDataRemote(hwnd, wParam, *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    return result.value_or(0);
  }
  if (ui::detail::OnWindowThread()) {
    WindowHost* host = WindowHost::From(hwnd);
    return host ? host->Dispatch(message, wParam, lParam) : 0;
  }
  MessageQueue* queue = MessageQueue::Instance();
  if (!queue || !WindowRegistry::Instance().Contains(hwnd)) return 0;
  return queue->SendFromOtherThread(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  if (MessageQueue* queue = MessageQueue::Instance()) queue->PostQuit(exitCode);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  WindowHost* host = LocalHost(hwnd);
  return host ? host->DefaultHandling(message, wParam) : 0;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, void*) {
  WindowHost* host = LocalHost(hwnd);
  return host && !host->Destroying() ? host->StartTimer(id, elapseMs) : 0;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  WindowHost* host = LocalHost(hwnd);
  return host && host->StopTimer(id) ? TRUE : FALSE;
}

HWND FindWindow(const char16_t* className, const char16_t* title) {
  const std::u16string_view cls = className ? std::u16string_view(className) : std::u16string_view();
  if (title) {
    if (HWND local = WindowRegistry::Instance().FindTopLevel(title, cls)) return local;
  }
  return ui::link::FindRemoteWindow(className, title);
}

HWND FindWindowInProcess(const char16_t* className, const char16_t* title) {
  if (!title) return nullptr;
  const std::u16string_view cls = className ? std::u16string_view(className) : std::u16string_view();
  return WindowRegistry::Instance().FindTopLevel(title, cls);
}

BOOL IsWindow(HWND hwnd) { return WindowRegistry::Instance().Contains(hwnd) ? TRUE : FALSE; }

HWND GetParent(HWND hwnd) { return WindowRegistry::Instance().Parent(hwnd); }

HWND GetAncestorRoot(HWND hwnd) {
  HWND root = IsWindow(hwnd) ? hwnd : nullptr;
  while (HWND parent = GetParent(root)) root = parent;
  return root;
}

HWND GetFocus() {
  if (!ui::detail::OnWindowThread()) return nullptr;
  auto* host = dynamic_cast<WindowHost*>(QApplication::activeWindow());
  return host ? host->Handle() : nullptr;
}

HWND SetFocus(HWND hwnd) {
  HWND previous = GetFocus();
  if (WindowHost* host = LocalHost(hwnd)) {
    host->activateWindow();
    host->setFocus();
  }
  return previous;
}

BOOL ShowWindow(HWND hwnd, int command) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || host->Destroying()) return FALSE;
  const BOOL wasVisible = host->isVisible() ? TRUE : FALSE;
  switch (command) {
    case SW_HIDE: host->hide(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      host->show();
      host->Minimize();
      break;
    case SW_SHOWMAXIMIZED: host->Maximize(); break;
    case SW_RESTORE: host->Restore(); break;
    case SW_SHOWNOACTIVATE:
      host->setAttribute(Qt::WA_ShowWithoutActivating, true);
      host->show();
      host->setAttribute(Qt::WA_ShowWithoutActivating, false);
      break;
    default:
      if (host->isMinimized()) host->setWindowState(host->windowState() & ~Qt::WindowMinimized);
      host->show();
      host->raise();
      host->activateWindow();
      break;
  }
  return wasVisible;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || host->Destroying()) return FALSE;
  host->Destroy();
  return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  return host && host->isVisible() ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  return host && host->isMinimized() ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  return host && host->IsMaximized() ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return FALSE;
  const BOOL wasDisabled = host->isEnabled() ? FALSE : TRUE;
  host->setEnabled(enable != FALSE);
  SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  return host && host->isEnabled() ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || !rect) return FALSE;
  const QRect r = ScreenRect(host);
  *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || !rect) return FALSE;
  *rect = RECT{0, 0, host->width(), host->height()};
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || !point) return FALSE;
  const QPoint p = host->mapFromGlobal(QPoint(point->x, point->y));
  *point = POINT{p.x(), p.y()};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || !point) return FALSE;
  const QPoint p = host->mapToGlobal(QPoint(point->x, point->y));
  *point = POINT{p.x(), p.y()};
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || host->Destroying()) return FALSE;
  if (!(flags & SWP_NOSIZE)) host->resize(std::max(cx, 0), std::max(cy, 0));
  if (!(flags & SWP_NOMOVE)) host->move(x, y);
  if (flags & SWP_SHOWWINDOW) host->show();
  if (flags & SWP_HIDEWINDOW) host->hide();
  if (!host->isVisible()) host->ReportSize();
  return TRUE;
}

LONG GetWindowLong(HWND hwnd, int index) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return 0;
  if (index == GWL_EXSTYLE) return static_cast<LONG>(host->ExStyle());
  if (index != GWL_STYLE) return 0;
  DWORD style = host->Style();
  if (host->isVisible()) style |= WS_VISIBLE;
  if (host->isMinimized()) style |= WS_MINIMIZE;
  if (host->IsMaximized()) style |= WS_MAXIMIZE;
  if (!host->isEnabled()) style |= WS_DISABLED;
  return static_cast<LONG>(style);
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return 0;
  const LONG previous = GetWindowLong(hwnd, index);
  if (index == GWL_EXSTYLE) host->SetExStyle(static_cast<DWORD>(value));
  if (index == GWL_STYLE) host->SetStyle(static_cast<DWORD>(value));
  return previous;
}

BOOL SetWindowText(HWND hwnd, std::u16string_view text) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return FALSE;
  WindowRegistry::Instance().SetTitle(hwnd, text);
  host->setWindowTitle(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  return TRUE;
}

std::u16string GetWindowText(HWND hwnd) { return WindowRegistry::Instance().Title(hwnd); }

BOOL SetClientCursor(HWND hwnd, ClientCursor cursor) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return FALSE;
  if (cursor == ClientCursor::SizeWE) {
    host->setCursor(Qt::SizeHorCursor);
  } else {
    host->unsetCursor();
  }
  return TRUE;
}

ClientCursor GetClientCursor(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  if (!host || !host->testAttribute(Qt::WA_SetCursor)) return ClientCursor::Arrow;
  return host->cursor().shape() == Qt::SizeHorCursor ? ClientCursor::SizeWE : ClientCursor::Arrow;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return FALSE;
  if (rect) {
    host->update(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top));
  } else {
    host->update();
  }
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  WindowHost* host = LocalHost(hwnd);
  if (!host) return FALSE;
  host->repaint();
  return TRUE;
}
