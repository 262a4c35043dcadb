#include "ui/window/WindowHost.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWindow>

#include "ui/window/DropReading.h"
#include "ui/window/HostMessageFilter.h"
#include "ui/window/KeyMap.h"
#include "ui/window/KeyModifiers.h"
#include "ui/window/Monitors.h"
#include "ui/window/WindowRegistry.h"

namespace ui::detail {

namespace {

WindowHost::DestroyedListener g_destroyedListener = nullptr;

LPARAM PackPoint(QPoint p) { return MAKELPARAM(p.x(), p.y()); }

bool IsFrameHit(LRESULT hit) { return hit == HTCAPTION || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT); }

Qt::Edges EdgesOf(LRESULT hit) {
  switch (hit) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
  }
}

UINT DownMessage(Qt::MouseButton b) {
  return b == Qt::RightButton ? WM_RBUTTONDOWN : b == Qt::MiddleButton ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
}
UINT UpMessage(Qt::MouseButton b) {
  return b == Qt::RightButton ? WM_RBUTTONUP : b == Qt::MiddleButton ? WM_MBUTTONUP : WM_LBUTTONUP;
}
UINT DoubleMessage(Qt::MouseButton b) {
  return b == Qt::RightButton ? WM_RBUTTONDBLCLK : b == Qt::MiddleButton ? WM_MBUTTONDBLCLK : WM_LBUTTONDBLCLK;
}

}  // namespace

WindowHost::WindowHost(IWindowProcedure* owner, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), owner_(owner) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

WindowHost* WindowHost::From(HWND hwnd) { return WindowRegistry::Instance().Host(hwnd); }

void WindowHost::SetDestroyedListener(DestroyedListener listener) { g_destroyedListener = listener; }

LRESULT WindowHost::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) modalResult_ = static_cast<UINT>(wParam);
  // Without its object the window keeps the base handling while its handle lives.
  if (!owner_) return From(hwnd_) == this ? DefaultHandling(message, wParam) : 0;
  return owner_->DeliverMessage(message, wParam, lParam);
}

// Messages sent to the window itself go through Dispatch, as the desktop's
// SendMessage to one's own handle does.
LRESULT WindowHost::DefaultHandling(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_CLOSE:
      Destroy();
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_NCACTIVATE:
      return TRUE;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4) Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: Dispatch(WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: Minimize(); break;
        case SC_MAXIMIZE: Maximize(); break;
        case SC_RESTORE: Restore(); break;
        default: break;
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT WindowHost::DispatchQueued(UINT message, WPARAM wParam, LPARAM lParam) {
  if (filter_ && owner_) {
    LRESULT result = 0;
    if (filter_->PreMessageHandler(message, wParam, lParam, result)) return result;
  }
  // The filter may have destroyed the window.
  if (!WindowRegistry::Instance().Contains(hwnd_)) return 0;
  return Dispatch(message, wParam, lParam);
}

void WindowHost::SetStyle(DWORD style) {
  style_ = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  const bool frameless = (style & WS_CAPTION) != WS_CAPTION;
  if (!isWindow() || windowFlags().testFlag(Qt::FramelessWindowHint) == frameless) return;
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::FramelessWindowHint, frameless);
  if (wasVisible) show();
}

void WindowHost::Destroy() {
  if (destroying_) return;
  destroying_ = true;
  const HWND self = hwnd_;
  for (HWND child : WindowRegistry::Instance().Children(self)) {
    if (WindowHost* host = From(child)) host->Destroy();
  }
  Dispatch(WM_DESTROY, 0, 0);
  StopAllTimers();
  hide();
  Dispatch(WM_NCDESTROY, 0, 0);
  WindowRegistry::Instance().Remove(self);
  if (g_destroyedListener) g_destroyedListener(self, modalResult_);
  IWindowProcedure* owner = owner_;
  owner_ = nullptr;
  filter_ = nullptr;
  deleteLater();
  if (owner) owner->HandleGone(self);
}

void WindowHost::ApplyTrackSizes() {
  MINMAXINFO info;
  info.ptMinTrackSize = POINT{1, 1};
  info.ptMaxTrackSize = POINT{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  Dispatch(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  setMinimumSize(std::max<LONG>(info.ptMinTrackSize.x, 1), std::max<LONG>(info.ptMinTrackSize.y, 1));
  setMaximumSize(std::min<LONG>(info.ptMaxTrackSize.x, QWIDGETSIZE_MAX),
                 std::min<LONG>(info.ptMaxTrackSize.y, QWIDGETSIZE_MAX));
}

// The maximised rectangle is whatever WM_GETMINMAXINFO answers, relative to
// the work area of the window's monitor; the default is that work area, so a
// frameless window never covers the panels.
void WindowHost::Maximize() {
  if (maximized_) return;
  MONITORINFO mi;
  ReadMonitorInfo(MonitorOfScreen(screen() ? screen() : QGuiApplication::primaryScreen()), mi);
  const RECT work = mi.rcWork;
  MINMAXINFO info;
  info.ptMaxPosition = POINT{0, 0};
  info.ptMaxSize = POINT{work.right - work.left, work.bottom - work.top};
  info.ptMinTrackSize = POINT{1, 1};
  info.ptMaxTrackSize = POINT{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  Dispatch(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  // No usable monitor and no answer: stay as we are rather than shrink to 0x0.
  if (info.ptMaxSize.x <= 0 || info.ptMaxSize.y <= 0) return;
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  normalGeometry_ = geometry();
  maximized_ = true;
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setGeometry(work.left + info.ptMaxPosition.x, work.top + info.ptMaxPosition.y, info.ptMaxSize.x, info.ptMaxSize.y);
  if (!isVisible()) show();
  ReportSize();
}

void WindowHost::Minimize() {
  setWindowState(windowState() | Qt::WindowMinimized);
  ReportSize();
}

void WindowHost::Restore() {
  if (isMinimized()) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
  } else if (maximized_) {
    maximized_ = false;
    setGeometry(normalGeometry_);
    ApplyTrackSizes();
  }
  if (!isVisible()) show();
  raise();
  activateWindow();
  ReportSize();
}

void WindowHost::ReportSize() {
  if (destroying_) return;
  const WPARAM kind = isMinimized() ? SIZE_MINIMIZED : maximized_ ? SIZE_MAXIMIZED : SIZE_RESTORED;
  if (kind == reportedKind_ && size() == reportedSize_) return;
  reportedKind_ = kind;
  reportedSize_ = size();
  Dispatch(WM_SIZE, kind, MAKELPARAM(width(), height()));
}

void WindowHost::SetRegion(const QRegion& region) {
  region_ = region;
  hasRegion_ = !region.isEmpty();
  if (hasRegion_) {
    setMask(region);
  } else {
    clearMask();
  }
}

UINT_PTR WindowHost::StartTimer(UINT_PTR id, UINT elapseMs) {
  StopTimer(id);
  const int qtId = startTimer(static_cast<int>(std::max<UINT>(elapseMs, 1)));
  if (qtId == 0) return 0;
  timers_[id] = qtId;
  return id == 0 ? 1 : id;
}

bool WindowHost::StopTimer(UINT_PTR id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  killTimer(it->second);
  timers_.erase(it);
  return true;
}

void WindowHost::StopAllTimers() {
  for (const auto& [id, qtId] : timers_) killTimer(qtId);
  timers_.clear();
}

void WindowHost::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter_ = &painter;
  Dispatch(WM_PAINT, 0, 0);
  painter_ = nullptr;
}

void WindowHost::resizeEvent(QResizeEvent*) { ReportSize(); }

void WindowHost::moveEvent(QMoveEvent*) {
  if (!destroying_) Dispatch(WM_MOVE, 0, PackPoint(pos()));
}

void WindowHost::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    ReportSize();
  } else if (event->type() == QEvent::ActivationChange && isWindow() && !destroying_) {
    const bool active = isActiveWindow();
    HWND other = nullptr;
    if (QWidget* now = QApplication::activeWindow(); now && now != this) {
      if (auto* host = dynamic_cast<WindowHost*>(now)) other = host->Handle();
    }
    Dispatch(WM_NCACTIVATE, active ? 1 : 0, 0);
    Dispatch(WM_ACTIVATE, active ? 1 : 0, reinterpret_cast<LPARAM>(other));
    Dispatch(active ? WM_SETFOCUS : WM_KILLFOCUS, reinterpret_cast<WPARAM>(other), 0);
  }
  QWidget::changeEvent(event);
}

// The desktop turns the frame's close button and Alt+F4 into SC_CLOSE; the
// window procedure decides what closing means.
void WindowHost::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!destroying_) DispatchQueued(WM_SYSCOMMAND, SC_CLOSE, 0);
}

LRESULT WindowHost::HitTest(QPointF globalPos) {
  return Dispatch(WM_NCHITTEST, 0, PackPoint(globalPos.toPoint()));
}

LPARAM WindowHost::ClientPoint(QPointF pos) const { return PackPoint(pos.toPoint()); }

WPARAM WindowHost::KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) const {
  WPARAM state = 0;
  if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
  if (buttons & Qt::RightButton) state |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
  return state;
}

// The platform's own move or resize when it has one (the window manager then
// does the rest); otherwise we follow the mouse ourselves.
bool WindowHost::BeginFrameDrag(LRESULT hit, QPointF globalPos) {
  if (maximized_ && hit != HTCAPTION) return false;
  QWindow* window = windowHandle();
  if (window) {
    const bool started = hit == HTCAPTION ? window->startSystemMove() : window->startSystemResize(EdgesOf(hit));
    if (started) return true;
  }
  drag_ = hit == HTCAPTION ? Drag::Move : Drag::Resize;
  dragHit_ = hit;
  dragStart_ = globalPos;
  dragGeometry_ = geometry();
  return true;
}

void WindowHost::ContinueFrameDrag(QPointF globalPos) {
  const QPoint delta = (globalPos - dragStart_).toPoint();
  if (drag_ == Drag::Move) {
    if (maximized_) return;
    move(dragGeometry_.topLeft() + delta);
    return;
  }
  QRect g = dragGeometry_;
  const Qt::Edges edges = EdgesOf(dragHit_);
  const QSize minSize = minimumSize();
  if (edges & Qt::LeftEdge) g.setLeft(std::min(g.left() + delta.x(), g.right() - minSize.width() + 1));
  if (edges & Qt::RightEdge) g.setRight(std::max(g.right() + delta.x(), g.left() + minSize.width() - 1));
  if (edges & Qt::TopEdge) g.setTop(std::min(g.top() + delta.y(), g.bottom() - minSize.height() + 1));
  if (edges & Qt::BottomEdge) g.setBottom(std::max(g.bottom() + delta.y(), g.top() + minSize.height() - 1));
  setGeometry(g);
}

void WindowHost::UpdateCursor(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: setCursor(Qt::SizeHorCursor); break;
    case HTTOP:
    case HTBOTTOM: setCursor(Qt::SizeVerCursor); break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: setCursor(Qt::SizeFDiagCursor); break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: setCursor(Qt::SizeBDiagCursor); break;
    default: unsetCursor(); break;
  }
}

void WindowHost::mousePressEvent(QMouseEvent* event) {
  SetCurrentModifiers(ModifiersFromQt(event->modifiers().toInt()));
  const LRESULT hit = HitTest(event->globalPosition());
  if (hit == HTCLIENT) {
    DispatchQueued(DownMessage(event->button()), KeyState(event->buttons(), event->modifiers()),
                   ClientPoint(event->position()));
  } else if (event->button() == Qt::LeftButton && IsFrameHit(hit)) {
    BeginFrameDrag(hit, event->globalPosition());
  }
}

void WindowHost::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ != Drag::None) {
    drag_ = Drag::None;
    return;
  }
  DispatchQueued(UpMessage(event->button()), KeyState(event->buttons(), event->modifiers()),
                 ClientPoint(event->position()));
}

void WindowHost::mouseDoubleClickEvent(QMouseEvent* event) {
  const LRESULT hit = HitTest(event->globalPosition());
  if (hit == HTCAPTION && event->button() == Qt::LeftButton) {
    DispatchQueued(WM_SYSCOMMAND, maximized_ ? SC_RESTORE : SC_MAXIMIZE, 0);
    return;
  }
  if (hit != HTCLIENT) return;
  const UINT message = (classStyle_ & CS_DBLCLKS) ? DoubleMessage(event->button()) : DownMessage(event->button());
  DispatchQueued(message, KeyState(event->buttons(), event->modifiers()), ClientPoint(event->position()));
}

void WindowHost::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ != Drag::None) {
    if (event->buttons() & Qt::LeftButton) {
      ContinueFrameDrag(event->globalPosition());
      return;
    }
    drag_ = Drag::None;
  }
  if (event->buttons() == Qt::NoButton) {
    const LRESULT hit = HitTest(event->globalPosition());
    UpdateCursor(hit);
    if (hit != HTCLIENT) return;
  }
  DispatchQueued(WM_MOUSEMOVE, KeyState(event->buttons(), event->modifiers()), ClientPoint(event->position()));
}

void WindowHost::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  const WPARAM wParam = (KeyState(event->buttons(), event->modifiers()) & 0xFFFF) |
                        (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16);
  DispatchQueued(WM_MOUSEWHEEL, wParam, PackPoint(event->globalPosition().toPoint()));
}

void WindowHost::leaveEvent(QEvent*) {
  if (!destroying_) DispatchQueued(WM_MOUSELEAVE, 0, 0);
}

void WindowHost::keyPressEvent(QKeyEvent* event) {
  SetCurrentModifiers(ModifiersFromQt(event->modifiers().toInt()));
  const UINT vk = VirtualKeyFromQt(event->key());
  const bool alt = event->modifiers() & Qt::AltModifier;
  const LPARAM repeat = event->isAutoRepeat() ? (LPARAM{1} << 30) | 1 : 1;
  const HWND self = hwnd_;
  if (vk) DispatchQueued(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, repeat);
  if (alt || !WindowRegistry::Instance().Contains(self)) return;
  for (QChar ch : event->text()) {
    if (ch.unicode() >= 0x20 || ch.unicode() == '\r' || ch.unicode() == '\b' || ch.unicode() == '\t') {
      DispatchQueued(WM_CHAR, ch.unicode(), repeat);
      if (!WindowRegistry::Instance().Contains(self)) return;
    }
  }
}

void WindowHost::keyReleaseEvent(QKeyEvent* event) {
  SetCurrentModifiers(ModifiersFromQt(event->modifiers().toInt()));
  const UINT vk = VirtualKeyFromQt(event->key());
  const bool alt = event->modifiers() & Qt::AltModifier;
  if (vk) DispatchQueued(alt ? WM_SYSKEYUP : WM_KEYUP, vk, (LPARAM{3} << 30) | 1);
}

void WindowHost::timerEvent(QTimerEvent* event) {
  for (const auto& [id, qtId] : timers_) {
    if (qtId == event->timerId()) {
      DispatchQueued(WM_TIMER, id, 0);
      return;
    }
  }
}

void WindowHost::showEvent(QShowEvent*) {
  if (destroying_) return;
  if (!maximized_) ApplyTrackSizes();
  Dispatch(WM_SHOWWINDOW, 1, 0);
  Dispatch(WM_NCPAINT, 1, 0);
}

void WindowHost::hideEvent(QHideEvent*) {
  if (!destroying_) Dispatch(WM_SHOWWINDOW, 0, 0);
}

void WindowHost::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData() && CanTakeDrop(*event->mimeData())) event->acceptProposedAction();
}

void WindowHost::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData() && CanTakeDrop(*event->mimeData())) event->acceptProposedAction();
}

void WindowHost::dropEvent(QDropEvent* event) {
  if (destroying_ || !event->mimeData()) return;
  std::optional<DroppedItems> items = ReadDrop(*event->mimeData());
  if (!items) return;
  event->acceptProposedAction();
  const QPoint at = event->position().toPoint();
  if (filter_) filter_->TakeDrop(POINT{at.x(), at.y()}, std::move(items->text), items->count);
}

}  // namespace ui::detail
