// The window thread's message queue on top of Qt's event queue: posted
// messages, tasks, cross-thread sends and the quit request, plus the stack of
// running loops (the main loop and nested modal loops).
//
// Posting never blocks and works from any thread; delivery happens on the
// window thread in posting order. Qt's loop sleeps while nothing is queued,
// so an idle process uses no CPU.
#ifndef VELMORA_UI_WINDOW_MESSAGEQUEUE_H
#define VELMORA_UI_WINDOW_MESSAGEQUEUE_H

#include <atomic>
#include <functional>
#include <vector>

#include <QObject>

#include "ui/UIDefs.h"

class QEventLoop;

namespace ui::detail {

// Creates the application object when the process has none yet, and the
// queue with it; the calling thread becomes the window thread.
void EnsureApplication();
bool OnWindowThread();

class MessageQueue final : public QObject {
 public:
  // Null until EnsureApplication ran.
  static MessageQueue* Instance();

  bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT SendFromOtherThread(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void PostTask(std::function<void()> task);
  void PostQuit(int exitCode);
  void ResetQuit();

  int RunMainLoop();
  // Runs until `modal` is destroyed (true, with the wParam of the WM_CLOSE
  // that ended it) or a quit request comes (false).
  bool RunModalLoop(HWND modal, UINT& result);
  void WindowDestroyed(HWND hwnd, UINT modalResult);
  int LoopDepth() const { return static_cast<int>(loops_.size()); }

 protected:
  void customEvent(QEvent* event) override;

 private:
  friend void EnsureApplication();
  MessageQueue() = default;
  struct Loop {
    QEventLoop* loop;
    HWND modal;
    UINT result;
  };
  void ExitAllLoops();

  std::vector<Loop> loops_;
  std::atomic<bool> quitPending_{false};
  std::atomic<int> quitCode_{0};
};

}  // namespace ui::detail

#endif
