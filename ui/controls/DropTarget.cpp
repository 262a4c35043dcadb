#include "ui/controls/DropTarget.h"

#include "ui/controls/CControlUI.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/WindowHost.h"

namespace ui {

bool SetAcceptDrops(HWND hwnd, bool accept) {
  detail::WindowHost* host = detail::WindowHost::From(hwnd);
  if (!host) return false;
  host->setAcceptDrops(accept);
  return true;
}

namespace detail {

bool DeliverDrop(CPaintManagerUI& manager, POINT pt, DroppedItems items) {
  if (!manager.GetRoot()) return false;
  CControlUI* sender = manager.FindControl(pt);
  TNotifyUI msg;
  msg.sType = u"drop";
  msg.pSender = sender ? sender : manager.GetRoot();
  msg.wParam = static_cast<WPARAM>(items.count);
  msg.sText = std::move(items.text);
  manager.SendNotifyAt(msg, pt);
  return true;
}

}  // namespace detail

}  // namespace ui
