// The Qt widget behind one window handle. It turns Qt's events into the
// desktop's messages for its CWindowWnd: input goes through WM_NCHITTEST
// first, and a caption or edge answer starts a real system move or resize
// (or our own drag where the platform offers none). Frame states the
// desktop keeps per window (styles, maximised rectangle, region, timers)
// live here too.
#ifndef VELMORA_UI_WINDOW_WINDOWHOST_H
#define VELMORA_UI_WINDOW_WINDOWHOST_H

#include <map>

#include <QRegion>
#include <QWidget>

#include "ui/UIDefs.h"
#include "ui/window/HostMessageFilter.h"
#include "ui/window/WindowProcedure.h"

class QPainter;

namespace ui::detail {

class WindowHost final : public QWidget {
 public:
  WindowHost(IWindowProcedure* owner, QWidget* parent, Qt::WindowFlags flags);

  static WindowHost* From(HWND hwnd);  // window thread only

  // Told of every window whose handle died, with the result its WM_CLOSE
  // carried: the message queue ends the modal loop waiting on it. One per
  // process, set with the queue.
  using DestroyedListener = void (*)(HWND hwnd, UINT modalResult);
  static void SetDestroyedListener(DestroyedListener listener);

  HWND Handle() const { return hwnd_; }
  void SetHandle(HWND hwnd) { hwnd_ = hwnd; }
  void DetachOwner() { owner_ = nullptr; }

  // Sent messages go straight to the window procedure; queued ones (posts,
  // input, timers) pass the registered message filter first.
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DispatchQueued(UINT message, WPARAM wParam, LPARAM lParam);
  // The desktop's base handling of a message (DefWindowProc).
  LRESULT DefaultHandling(UINT message, WPARAM wParam);

  void SetMessageFilter(IHostMessageFilter* filter) { filter_ = filter; }
  IHostMessageFilter* MessageFilter() const { return filter_; }
  QPainter* ActivePainter() const { return painter_; }

  DWORD Style() const { return style_; }
  DWORD ExStyle() const { return exStyle_; }
  void SetStyle(DWORD style);
  void SetExStyle(DWORD exStyle) { exStyle_ = exStyle; }
  UINT ClassStyle() const { return classStyle_; }
  void SetClassStyle(UINT classStyle) { classStyle_ = classStyle; }

  bool IsMaximized() const { return maximized_; }
  void Maximize();
  void Minimize();
  void Restore();
  void ApplyTrackSizes();
  void ReportSize();

  void SetRegion(const QRegion& region);
  const QRegion& Region() const { return region_; }
  bool HasRegion() const { return hasRegion_; }

  UINT_PTR StartTimer(UINT_PTR id, UINT elapseMs);
  bool StopTimer(UINT_PTR id);
  void StopAllTimers();

  UINT ModalResult() const { return modalResult_; }
  bool Destroying() const { return destroying_; }
  // WM_DESTROY and WM_NCDESTROY (children first), then the handle dies and
  // the owner's OnFinalMessage runs; the widget is deleted later.
  void Destroy();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Drops, once SetAcceptDrops allowed them (the layer above takes them through its filter).
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  enum class Drag { None, Move, Resize };
  LRESULT HitTest(QPointF globalPos);
  bool BeginFrameDrag(LRESULT hit, QPointF globalPos);
  void ContinueFrameDrag(QPointF globalPos);
  void UpdateCursor(LRESULT hit);
  WPARAM KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) const;
  LPARAM ClientPoint(QPointF pos) const;

  IWindowProcedure* owner_;
  IHostMessageFilter* filter_ = nullptr;
  HWND hwnd_ = nullptr;
  QPainter* painter_ = nullptr;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  UINT classStyle_ = 0;
  bool maximized_ = false;
  QRect normalGeometry_;
  QRegion region_;
  bool hasRegion_ = false;
  std::map<UINT_PTR, int> timers_;  // our id -> Qt timer id
  UINT modalResult_ = 0;
  bool destroying_ = false;
  QSize reportedSize_{-1, -1};
  WPARAM reportedKind_ = ~WPARAM{0};
  Drag drag_ = Drag::None;
  LRESULT dragHit_ = HTNOWHERE;
  QPointF dragStart_;
  QRect dragGeometry_;
};

}  // namespace ui::detail

#endif
