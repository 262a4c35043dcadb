#include "ui/window/Automation.h"

#include <deque>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QDropEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWheelEvent>

#include "ui/window/AutomationHooks.h"
#include "ui/window/KeyMap.h"
#include "ui/window/KeyModifiers.h"
#include "ui/window/MessageQueue.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

namespace ui {

namespace {

struct HookState {
  std::function<void(HWND)> modalHook;
  std::deque<UINT> modalAnswers;
  std::function<std::optional<int>(const automation::MessageBoxRecord&)> boxHandler;
  std::deque<int> boxAnswers;
  std::vector<automation::MessageBoxRecord> boxLog;
  std::optional<RECT> monitor;
  std::optional<RECT> workArea;
};

HookState& Hooks() {
  static HookState state;
  return state;
}

Qt::MouseButton QtButton(automation::Button b) {
  switch (b) {
    case automation::Button::Right: return Qt::RightButton;
    case automation::Button::Middle: return Qt::MiddleButton;
    default: return Qt::LeftButton;
  }
}

void SendMouse(HWND hwnd, QEvent::Type type, POINT pt, Qt::MouseButton button, Qt::MouseButtons held,
               unsigned modifiers = 0) {
  auto* host = detail::WindowHost::From(hwnd);
  if (!host) return;
  const QPointF local(pt.x, pt.y);
  QMouseEvent event(type, local, host->mapToGlobal(local), button, held,
                    Qt::KeyboardModifiers(detail::QtModifiersFrom(modifiers)));
  QCoreApplication::sendEvent(host, &event);
}

}  // namespace

namespace detail {

void ModalLoopStarted(HWND modal) {
  MessageQueue* queue = MessageQueue::Instance();
  if (!queue) return;
  queue->PostTask([modal] {
    if (!IsWindow(modal)) return;
    HookState& hooks = Hooks();
    if (!hooks.modalAnswers.empty()) {
      const UINT answer = hooks.modalAnswers.front();
      hooks.modalAnswers.pop_front();
      PostMessage(modal, WM_CLOSE, answer, 0);
    } else if (hooks.modalHook) {
      hooks.modalHook(modal);
    }
  });
}

std::optional<int> AnswerMessageBox(const automation::MessageBoxRecord& box) {
  HookState& hooks = Hooks();
  if (!hooks.boxAnswers.empty()) {
    const int answer = hooks.boxAnswers.front();
    hooks.boxAnswers.pop_front();
    return answer;
  }
  if (hooks.boxHandler) return hooks.boxHandler(box);
  return std::nullopt;
}

void LogMessageBox(const automation::MessageBoxRecord& box) { Hooks().boxLog.push_back(box); }
std::optional<RECT> MonitorOverride() { return Hooks().monitor; }
std::optional<RECT> WorkAreaOverride() { return Hooks().workArea; }

}  // namespace detail

namespace automation {

void MouseDown(HWND hwnd, POINT pt, Button button, unsigned modifiers) {
  SendMouse(hwnd, QEvent::MouseButtonPress, pt, QtButton(button), QtButton(button), modifiers);
}

void MouseUp(HWND hwnd, POINT pt, Button button, unsigned modifiers) {
  SendMouse(hwnd, QEvent::MouseButtonRelease, pt, QtButton(button), Qt::NoButton, modifiers);
}

void MouseMove(HWND hwnd, POINT pt, bool leftHeld) {
  SendMouse(hwnd, QEvent::MouseMove, pt, Qt::NoButton, leftHeld ? Qt::LeftButton : Qt::NoButton);
}

void Click(HWND hwnd, POINT pt, Button button, unsigned modifiers) {
  MouseMove(hwnd, pt);
  MouseDown(hwnd, pt, button, modifiers);
  if (IsWindow(hwnd)) MouseUp(hwnd, pt, button, modifiers);
}

void DoubleClick(HWND hwnd, POINT pt) {
  Click(hwnd, pt);
  if (!IsWindow(hwnd)) return;
  SendMouse(hwnd, QEvent::MouseButtonDblClick, pt, Qt::LeftButton, Qt::LeftButton);
  if (IsWindow(hwnd)) MouseUp(hwnd, pt);
}

void Wheel(HWND hwnd, POINT pt, int delta) {
  auto* host = detail::WindowHost::From(hwnd);
  if (!host) return;
  const QPointF local(pt.x, pt.y);
  QWheelEvent event(local, host->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(host, &event);
}

void KeyPress(HWND hwnd, UINT virtualKey, std::u16string_view text, unsigned modifiers) {
  const QString qtext = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  const int key = detail::QtKeyFromVirtualKey(virtualKey);
  const auto held = Qt::KeyboardModifiers(detail::QtModifiersFrom(modifiers));
  if (auto* host = detail::WindowHost::From(hwnd)) {
    QKeyEvent down(QEvent::KeyPress, key, held, qtext);
    QCoreApplication::sendEvent(host, &down);
  }
  if (auto* host = detail::WindowHost::From(hwnd)) {
    QKeyEvent up(QEvent::KeyRelease, key, held, qtext);
    QCoreApplication::sendEvent(host, &up);
  }
}

void TypeText(HWND hwnd, std::u16string_view text) {
  for (char16_t ch : text) {
    const UINT vk = (ch >= u'a' && ch <= u'z') ? UINT(ch - u'a' + 'A') : (ch >= u'0' && ch <= u'9') ? UINT(ch) : 0;
    KeyPress(hwnd, vk, std::u16string_view(&ch, 1));
  }
}

namespace {

bool SendDrop(HWND hwnd, POINT pt, QMimeData& data) {
  auto* host = detail::WindowHost::From(hwnd);
  if (!host) return false;
  const QPointF local(pt.x, pt.y);
  QDragEnterEvent enter(local.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(host, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(local, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(host, &drop);
  return drop.isAccepted();
}

}  // namespace

bool DropLinks(HWND hwnd, POINT pt, const std::vector<std::u16string>& links) {
  QList<QUrl> urls;
  for (const std::u16string& link : links) {
    const QString text = QString::fromUtf16(link.data(), static_cast<qsizetype>(link.size()));
    urls.push_back(text.startsWith(u'/') ? QUrl::fromLocalFile(text) : QUrl(text));
  }
  QMimeData data;
  data.setUrls(urls);
  return SendDrop(hwnd, pt, data);
}

bool DropText(HWND hwnd, POINT pt, std::u16string_view text) {
  QMimeData data;
  data.setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  return SendDrop(hwnd, pt, data);
}

void ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QTimer wake;
  wake.start(5);
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void SetModalHook(std::function<void(HWND)> hook) { Hooks().modalHook = std::move(hook); }
void QueueModalAnswer(UINT result) { Hooks().modalAnswers.push_back(result); }

void SetMessageBoxHandler(std::function<std::optional<int>(const MessageBoxRecord&)> handler) {
  Hooks().boxHandler = std::move(handler);
}
void QueueMessageBoxAnswer(int answer) { Hooks().boxAnswers.push_back(answer); }

std::vector<MessageBoxRecord> TakeMessageBoxLog() {
  std::vector<MessageBoxRecord> log;
  log.swap(Hooks().boxLog);
  return log;
}

bool RenderToPng(HWND hwnd, const std::string& path) {
  auto* host = detail::WindowHost::From(hwnd);
  if (!host) return false;
  QImage image = host->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (host->HasRegion()) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.scale(image.devicePixelRatio(), image.devicePixelRatio());
    const QRegion outside = QRegion(host->rect()) - host->Region();
    for (const QRect& r : outside) painter.fillRect(r, Qt::transparent);
  }
  return image.save(QString::fromStdString(path), "PNG");
}

void OverrideMonitor(std::optional<RECT> monitor, std::optional<RECT> workArea) {
  Hooks().monitor = monitor;
  Hooks().workArea = workArea;
}

void Reset() {
  HookState& hooks = Hooks();
  hooks = HookState{};
  if (auto* queue = detail::MessageQueue::Instance()) queue->ResetQuit();
}

}  // namespace automation

}  // namespace ui
