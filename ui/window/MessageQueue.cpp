#include "ui/window/MessageQueue.h"

#include <future>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include "ui/window/WindowHost.h"
#include "ui/window/WindowRegistry.h"

namespace ui::detail {

namespace {

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::User + 101);
const QEvent::Type kTask = static_cast<QEvent::Type>(QEvent::User + 102);
const QEvent::Type kQuit = static_cast<QEvent::Type>(QEvent::User + 103);
const QEvent::Type kSentMessage = static_cast<QEvent::Type>(QEvent::User + 104);

struct PostedMessage final : QEvent {
  PostedMessage(HWND h, UINT m, WPARAM w, LPARAM l) : QEvent(kPostedMessage), hwnd(h), message(m), wParam(w), lParam(l) {}
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct TaskEvent final : QEvent {
  explicit TaskEvent(std::function<void()> f) : QEvent(kTask), task(std::move(f)) {}
  std::function<void()> task;
};

// The waiting thread is released even when the event is dropped unhandled
// (window gone, queue torn down): the destructor answers 0.
struct SentMessage final : QEvent {
  SentMessage(HWND h, UINT m, WPARAM w, LPARAM l) : QEvent(kSentMessage), hwnd(h), message(m), wParam(w), lParam(l) {}
  ~SentMessage() override {
    if (!answered) result.set_value(0);
  }
  void Answer(LRESULT value) {
    answered = true;
    result.set_value(value);
  }
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::promise<LRESULT> result;
  bool answered = false;
};

std::atomic<MessageQueue*> g_queue{nullptr};

}  // namespace

void EnsureApplication() {
  if (g_queue.load()) return;
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "velmora";
    static char* argv[] = {name, nullptr};
    // Reachable for the whole run; Qt tears it down with the process.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
  }
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) app->setQuitOnLastWindowClosed(false);
  static MessageQueue* queue = new MessageQueue();
  g_queue.store(queue);
  WindowHost::SetDestroyedListener([](HWND hwnd, UINT modalResult) { queue->WindowDestroyed(hwnd, modalResult); });
}

bool OnWindowThread() {
  auto* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

MessageQueue* MessageQueue::Instance() { return g_queue.load(); }

bool MessageQueue::Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  QCoreApplication::postEvent(this, new PostedMessage(hwnd, message, wParam, lParam));
  return true;
}

LRESULT MessageQueue::SendFromOtherThread(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* event = new SentMessage(hwnd, message, wParam, lParam);
  std::future<LRESULT> answer = event->result.get_future();
  QCoreApplication::postEvent(this, event);
  return answer.get();
}

void MessageQueue::PostTask(std::function<void()> task) {
  QCoreApplication::postEvent(this, new TaskEvent(std::move(task)));
}

// Like the desktop's quit flag: it is seen only once the messages posted
// before it are handled, hence the low priority.
void MessageQueue::PostQuit(int exitCode) {
  quitCode_ = exitCode;
  quitPending_ = true;
  QCoreApplication::postEvent(this, new QEvent(kQuit), Qt::LowEventPriority);
}

void MessageQueue::ResetQuit() { quitPending_ = false; }

void MessageQueue::customEvent(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == kPostedMessage) {
    auto* posted = static_cast<PostedMessage*>(event);
    if (WindowHost* host = WindowRegistry::Instance().Host(posted->hwnd)) {
      host->DispatchQueued(posted->message, posted->wParam, posted->lParam);
    }
  } else if (type == kSentMessage) {
    auto* sent = static_cast<SentMessage*>(event);
    WindowHost* host = WindowRegistry::Instance().Host(sent->hwnd);
    sent->Answer(host ? host->Dispatch(sent->message, sent->wParam, sent->lParam) : 0);
  } else if (type == kTask) {
    static_cast<TaskEvent*>(event)->task();
  } else if (type == kQuit) {
    if (quitPending_) ExitAllLoops();
  }
}

void MessageQueue::ExitAllLoops() {
  for (const Loop& entry : loops_) entry.loop->exit(0);
}

int MessageQueue::RunMainLoop() {
  // A quit left over from a nested loop still lets the messages posted
  // before it through first.
  if (quitPending_) QCoreApplication::postEvent(this, new QEvent(kQuit), Qt::LowEventPriority);
  QEventLoop loop;
  loops_.push_back(Loop{&loop, nullptr, 0});
  loop.exec();
  loops_.pop_back();
  quitPending_ = false;
  return quitCode_;
}

bool MessageQueue::RunModalLoop(HWND modal, UINT& result) {
  if (quitPending_ || !WindowRegistry::Instance().Contains(modal)) return false;
  QEventLoop loop;
  loops_.push_back(Loop{&loop, modal, 0});
  loop.exec();
  result = loops_.back().result;
  loops_.pop_back();
  return !WindowRegistry::Instance().Contains(modal);
}

void MessageQueue::WindowDestroyed(HWND hwnd, UINT modalResult) {
  for (Loop& entry : loops_) {
    if (entry.modal != hwnd) continue;
    entry.result = modalResult;
    entry.loop->exit(0);
  }
}

}  // namespace ui::detail
