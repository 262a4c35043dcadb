#include "ui/controls/CPaintManagerUI.h"

#include <algorithm>

#include <QDateTime>

#include "platform/Path.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/ControlRegistry.h"
#include "ui/controls/KeyNotification.h"
#include "ui/controls/ResourceStore.h"
#include "ui/controls/UIRender.h"
#include "ui/window/KeyModifiers.h"
#include "ui/window/MessageQueue.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

using ui::detail::WindowHost;

namespace {

HINSTANCE g_instance = nullptr;

DWORD Timestamp() { return static_cast<DWORD>(QDateTime::currentMSecsSinceEpoch()); }

bool IsMouseMessage(UINT message) {
  return (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL) || message == WM_MOUSELEAVE;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() : alive_(std::make_shared<bool>(true)) {}

CPaintManagerUI::~CPaintManagerUI() {
  *alive_ = false;
  for (const TimerEntry& t : timers_) ::KillTimer(hwnd_, t.windowTimer);
  timers_.clear();
  if (WindowHost* host = ui::detail::OnWindowThread() ? WindowHost::From(hwnd_) : nullptr) {
    if (host->MessageFilter() == this) host->SetMessageFilter(nullptr);
  }
  root_.reset();
}

void CPaintManagerUI::Init(HWND hwnd) {
  hwnd_ = hwnd;
  if (WindowHost* host = WindowHost::From(hwnd)) host->SetMessageFilter(this);
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  focus_ = hover_ = pressed_ = nullptr;
  asyncNotifies_.clear();
  root_.reset(root);
  if (!root_) return false;
  root_->SetManager(this, nullptr);
  HandleSize();
  Invalidate();
  ScheduleWindowInit();
  return true;
}

CControlUI* CPaintManagerUI::FindControl(std::u16string_view name) const {
  return root_ && !name.empty() ? root_->FindControlByName(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const { return root_ ? root_->FindControlAt(pt) : nullptr; }

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (!notifier || std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end()) return false;
  notifiers_.push_back(notifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  auto it = std::find(notifiers_.begin(), notifiers_.end(), notifier);
  if (it == notifiers_.end()) return false;
  notifiers_.erase(it);
  return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (!filter || std::find(preFilters_.begin(), preFilters_.end(), filter) != preFilters_.end()) return false;
  preFilters_.push_back(filter);
  return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  auto it = std::find(preFilters_.begin(), preFilters_.end(), filter);
  if (it == preFilters_.end()) return false;
  preFilters_.erase(it);
  return true;
}

bool CPaintManagerUI::PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const std::weak_ptr<bool> alive = alive_;
  const std::vector<IMessageFilterUI*> filters = preFilters_;
  for (IMessageFilterUI* filter : filters) {
    if (std::find(preFilters_.begin(), preFilters_.end(), filter) == preFilters_.end()) continue;
    bool handled = false;
    const LRESULT answer = filter->MessageHandler(message, wParam, lParam, handled);
    if (alive.expired()) return true;
    if (handled) {
      result = answer;
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::SendNotify(CControlUI* control, std::u16string_view type, WPARAM wParam, LPARAM lParam,
                                 bool async) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
  msg.ptMouse = lastMouse_;
  msg.dwTimestamp = Timestamp();
  if (!async) {
    DeliverNotify(msg);
    return;
  }
  asyncNotifies_.push_back(msg);
  if (notifyTaskQueued_) return;
  auto* queue = ui::detail::MessageQueue::Instance();
  if (!queue) return;
  notifyTaskQueued_ = true;
  queue->PostTask([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    notifyTaskQueued_ = false;
    DeliverQueuedNotifies();
  });
}

void CPaintManagerUI::SendNotifyAt(TNotifyUI& msg, POINT pt) {
  msg.ptMouse = pt;
  msg.dwTimestamp = Timestamp();
  DeliverNotify(msg);
}

void CPaintManagerUI::DeliverQueuedNotifies() {
  const std::weak_ptr<bool> alive = alive_;
  while (!asyncNotifies_.empty()) {
    TNotifyUI msg = asyncNotifies_.front();
    asyncNotifies_.pop_front();
    DeliverNotify(msg);
    if (alive.expired()) return;
  }
}

// A notifier may remove others, or tear the whole window down, while it runs.
void CPaintManagerUI::DeliverNotify(TNotifyUI& msg) {
  const std::weak_ptr<bool> alive = alive_;
  const std::vector<INotifyUI*> notifiers = notifiers_;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end()) continue;
    notifier->Notify(msg);
    if (alive.expired()) return;
  }
}

void CPaintManagerUI::ScheduleWindowInit() {
  if (windowInitSent_) return;
  auto* queue = ui::detail::MessageQueue::Instance();
  if (!queue) return;
  queue->PostTask([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired() || windowInitSent_ || !root_ || !IsWindow(hwnd_)) return;
    windowInitSent_ = true;
    root_->DoInit();
    if (!alive.expired() && root_) SendNotify(root_.get(), u"windowinit");
  });
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      HandlePaint();
      result = 0;
      return true;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) HandleSize();
      return false;
    case WM_GETMINMAXINFO:
      HandleMinMaxInfo(lParam);
      return false;
    case WM_TIMER:
      if (HandleTimer(wParam)) {
        result = 0;
        return true;
      }
      return false;
    case WM_DESTROY:
      for (const TimerEntry& t : timers_) ::KillTimer(hwnd_, t.windowTimer);
      timers_.clear();
      return false;
    case WM_CLOSE:
      SetFocus(nullptr);
      hover_ = pressed_ = nullptr;
      return false;
    default:
      break;
  }
  if (IsMouseMessage(message)) return HandleMouse(message, wParam, lParam);
  if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN)
    return HandleKey(message, wParam, lParam);
  return false;
}

bool CPaintManagerUI::HandlePaint() {
  WindowHost* host = WindowHost::From(hwnd_);
  if (!host) return false;
  QPainter* painter = host->ActivePainter();
  if (!painter) {
    host->update();
    return true;
  }
  if (needUpdate_) HandleSize();
  const RECT client{0, 0, host->width(), host->height()};
  if (root_) {
    UIRenderContext ctx{*painter, client, this};
    root_->DoPaint(ctx, client);
  }
  return true;
}

void CPaintManagerUI::HandleSize() {
  needUpdate_ = false;
  RECT client;
  if (!root_ || !GetClientRect(hwnd_, &client)) return;
  root_->SetPos(client);
  Invalidate();
}

void CPaintManagerUI::HandleMinMaxInfo(LPARAM lParam) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!info) return;
  if (minInfo_.cx > 0) info->ptMinTrackSize.x = minInfo_.cx;
  if (minInfo_.cy > 0) info->ptMinTrackSize.y = minInfo_.cy;
  if (maxInfo_.cx > 0) info->ptMaxTrackSize.x = maxInfo_.cx;
  if (maxInfo_.cy > 0) info->ptMaxTrackSize.y = maxInfo_.cy;
}

bool CPaintManagerUI::HandleMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (message == WM_MOUSEWHEEL) ScreenToClient(hwnd_, &pt);
  if (message != WM_MOUSELEAVE) lastMouse_ = pt;
  const WPARAM keys = wParam & 0xFFFF;
  switch (message) {
    case WM_MOUSELEAVE:
      if (!pressed_) SetHover(nullptr, pt, 0);
      return false;
    case WM_MOUSEMOVE:
      SetHover(FindControl(pt), pt, keys);
      if (CControlUI* target = pressed_ ? pressed_ : hover_) RaiseEvent(target, UIEVENT_MOUSEMOVE, pt, keys);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      CControlUI* control = FindControl(pt);
      pressed_ = control;
      if (!control) return false;
      SetFocus(control);
      if (pressed_ == control) {
        RaiseEvent(control, message == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, keys);
      }
      return false;
    }
    case WM_LBUTTONUP:
      if (CControlUI* control = pressed_) {
        pressed_ = nullptr;
        RaiseEvent(control, UIEVENT_BUTTONUP, pt, keys);
      }
      return false;
    case WM_RBUTTONDOWN:
      if (CControlUI* control = FindControl(pt)) {
        SetFocus(control);
        if (focus_ == control) RaiseEvent(control, UIEVENT_RBUTTONDOWN, pt, keys);
      }
      return false;
    case WM_RBUTTONUP:
      if (CControlUI* control = FindControl(pt)) {
        RaiseEvent(control, UIEVENT_RBUTTONUP, pt, keys);
        // The up event may have removed the control.
        if (FindControl(pt) == control) RaiseEvent(control, UIEVENT_CONTEXTMENU, pt, keys);
      }
      return false;
    case WM_MOUSEWHEEL:
      if (CControlUI* control = FindControl(pt)) RaiseEvent(control, UIEVENT_SCROLLWHEEL, pt, keys, wParam, lParam);
      return false;
    default:
      return false;
  }
}

// Alt chords (WM_SYSKEYDOWN) are shortcuts only: no control types them.
bool CPaintManagerUI::HandleKey(UINT message, WPARAM wParam, LPARAM lParam) {
  CControlUI* focus = focus_;
  const unsigned modifiers = ui::detail::CurrentModifiers();
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  const std::u16string focusClass = focus ? focus->GetClass() : std::u16string();
  const bool notified = down && ui::detail::IsNotifiedKey(focusClass, static_cast<UINT>(wParam), modifiers);
  if (focus_ && message != WM_SYSKEYDOWN) {
    const std::weak_ptr<bool> alive = alive_;
    DeliverKey(message, wParam, lParam, modifiers);
    if (alive.expired()) return false;
  }
  if (!notified || !root_) return false;
  // The key may have removed the control that had it.
  CControlUI* sender = focus && ui::IsLiveControl(focus) ? focus : root_.get();
  SendNotify(sender, u"keydown", wParam, static_cast<LPARAM>(modifiers));
  return false;
}

void CPaintManagerUI::DeliverKey(UINT message, WPARAM wParam, LPARAM lParam, unsigned modifiers) {
  const UIEventType type = message == WM_KEYDOWN ? UIEVENT_KEYDOWN : message == WM_KEYUP ? UIEVENT_KEYUP : UIEVENT_CHAR;
  TEventUI event;
  event.Type = type;
  event.pSender = focus_;
  event.dwTimestamp = Timestamp();
  event.ptMouse = lastMouse_;
  event.chKey = static_cast<char16_t>(wParam);
  event.wKeyState = ui::detail::KeyStateBits(modifiers);
  event.wParam = wParam;
  event.lParam = lParam;
  focus_->DoEvent(event);
}

bool CPaintManagerUI::HandleTimer(WPARAM wParam) {
  for (const TimerEntry& t : timers_) {
    if (t.windowTimer == wParam) {
      RaiseEvent(t.control, UIEVENT_TIMER, lastMouse_, 0, t.id, 0);
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::SetHover(CControlUI* control, POINT pt, WPARAM keys) {
  if (control == hover_) return;
  CControlUI* previous = hover_;
  hover_ = control;
  if (previous) RaiseEvent(previous, UIEVENT_MOUSELEAVE, pt, keys);
  if (hover_ == control && control) RaiseEvent(control, UIEVENT_MOUSEENTER, pt, keys);
}

void CPaintManagerUI::RaiseEvent(CControlUI* control, UIEventType type, POINT pt, WPARAM keys, WPARAM wParam,
                                 LPARAM lParam) {
  TEventUI event;
  event.Type = type;
  event.pSender = control;
  event.dwTimestamp = Timestamp();
  event.ptMouse = pt;
  event.wKeyState = keys;
  event.wParam = wParam;
  event.lParam = lParam;
  control->DoEvent(event);
}

void CPaintManagerUI::SetRoundCorner(int cx, int cy) { roundCorner_ = SIZE{cx, cy}; }

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  initSize_ = SIZE{cx, cy};
  if (hwnd_) SetWindowPos(hwnd_, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPaintManagerUI::Invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }

void CPaintManagerUI::Invalidate(const RECT& rc) { InvalidateRect(hwnd_, &rc, FALSE); }

void CPaintManagerUI::NeedUpdate() {
  needUpdate_ = true;
  Invalidate();
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control == focus_) return;
  CControlUI* previous = focus_;
  focus_ = control;
  if (previous) RaiseEvent(previous, UIEVENT_KILLFOCUS, lastMouse_, 0);
  if (control && focus_ == control) RaiseEvent(control, UIEVENT_SETFOCUS, lastMouse_, 0);
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapseMs) {
  if (!control || !hwnd_) return false;
  for (const TimerEntry& t : timers_) {
    if (t.control == control && t.id == id) return ::SetTimer(hwnd_, t.windowTimer, elapseMs) != 0;
  }
  const UINT_PTR windowTimer = nextTimer_++;
  if (::SetTimer(hwnd_, windowTimer, elapseMs) == 0) return false;
  timers_.push_back(TimerEntry{control, id, windowTimer});
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const TimerEntry& t) { return t.control == control && t.id == id; });
  if (it == timers_.end()) return false;
  ::KillTimer(hwnd_, it->windowTimer);
  timers_.erase(it);
  return true;
}

void CPaintManagerUI::KillTimers(CControlUI* control) {
  std::erase_if(timers_, [&](const TimerEntry& t) {
    if (t.control != control) return false;
    ::KillTimer(hwnd_, t.windowTimer);
    return true;
  });
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  if (pressed_ == control) pressed_ = nullptr;
  KillTimers(control);
  std::erase_if(asyncNotifies_, [&](const TNotifyUI& n) { return n.pSender == control; });
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE CPaintManagerUI::GetInstance() { return g_instance; }
HINSTANCE CPaintManagerUI::GetResourceDll() { return g_instance; }

bool CPaintManagerUI::SetResourceZip(const void* data, std::size_t size) {
  return ui::detail::ResourceStore::Instance().SetZip(data, size);
}

void CPaintManagerUI::SetResourcePath(std::u16string_view folder) {
  ui::detail::ResourceStore::Instance().SetFolder(platform::NativePathFromWide(folder));
}

std::optional<std::string> CPaintManagerUI::LoadResourceFile(std::u16string_view name) {
  return ui::detail::ResourceStore::Instance().Read(name);
}

int CPaintManagerUI::MessageLoop() {
  ui::detail::EnsureApplication();
  return ui::detail::MessageQueue::Instance()->RunMainLoop();
}

// The "drop" notification (ui/controls/DropTarget.h); false when the window
// has no controls.
bool CPaintManagerUI::TakeDrop(POINT pt, std::u16string text, int count) {
  if (!root_) return false;
  CControlUI* sender = FindControl(pt);
  TNotifyUI msg;
  msg.sType = u"drop";
  msg.pSender = sender ? sender : root_.get();
  msg.wParam = static_cast<WPARAM>(count);
  msg.sText = std::move(text);
  SendNotifyAt(msg, pt);
  return true;
}
