#include "app/CMenuWnd.h"

#include <memory>

#include "app/SkinnedFrame.h"
#include "app/WorkArea.h"

namespace {

bool IsForwardedItem(const std::u16string& name) { return name.rfind(u"menu_", 0) == 0 && name.size() > 5; }

}  // namespace

CMenuWnd::CMenuWnd(CControlUI* ownerControl, POINT screenPoint, std::u16string_view layoutName)
    : owner(ownerControl),
      ownerManager(ownerControl ? ownerControl->GetManager() : nullptr),
      ownerName(ownerControl ? ownerControl->GetName() : std::u16string()),
      layout(layoutName),
      x(screenPoint.x),
      y(screenPoint.y) {}

CMenuWnd* CMenuWnd::Open(CControlUI* owner, POINT screenPoint, std::u16string_view layout) {
  std::unique_ptr<CMenuWnd> menu(new CMenuWnd(owner, screenPoint, layout));
  const HWND parent = menu->ownerManager ? menu->ownerManager->GetPaintWindow() : nullptr;
  if (!menu->Create(parent, u"", WS_POPUP, WS_EX_TOOLWINDOW)) return nullptr;
  // From here the window owns the object (OnFinalMessage deletes it).
  CMenuWnd* open = menu.release();
  open->selfOwned = true;
  const HWND hwnd = open->GetHWND();
  const HWND root = GetAncestorRoot(hwnd);
  ::ShowWindow(hwnd, SW_SHOW);
  if (root && root != hwnd) ::SendMessage(root, WM_NCACTIVATE, 1, 0);
  return open;
}

LRESULT CMenuWnd::OnCreate() {
  paintManager.Init(GetHWND());
  CDialogBuilder builder;
  paintManager.AttachDialog(builder.Create(layout, nullptr, nullptr, &paintManager));
  paintManager.AddNotifier(this);
  paintManager.SetRoundCorner(3, 3);
  if (ownerName == u"downloadedlist") {
    // Finished tasks neither run nor wait in the queue.
    for (const char16_t* item : {u"menu_Start", u"menu_Pause", u"menu_StartNext", u"menu_MoveUp", u"menu_MoveDown",
                                 u"menu_MoveTop", u"menu_MoveBottom"})
      if (CControlUI* control = paintManager.FindControl(item)) control->SetEnabled(false);
  }
  Place();
  return 0;
}

// Kept on the work area: moved up (or to its top) when the bottom would pass
// it, left (or to its left edge) when the right edge would.
void CMenuWnd::Place() {
  RECT self;
  GetWindowRect(GetHWND(), &self);
  const int w = self.right - self.left;
  const int h = self.bottom - self.top;
  const RECT work = WorkAreaOrDefault(GetHWND());
  if (y + h > work.bottom) y = h < work.bottom - work.top ? work.bottom - h : work.top;
  if (x + w > work.right) x = w < work.right - work.left ? work.right - w : work.left;
  SetWindowPos(GetHWND(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMenuWnd::ForwardToOwner(const std::u16string& item) {
  if (!owner || !ownerManager || ownerManager->FindControl(ownerName) != owner) return;
  ownerManager->SendNotify(owner, item, 0, 0, true);
}

void CMenuWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == u"itemselect") {
    Close(1);
  } else if (msg.sType == u"itemclick" && msg.pSender && IsForwardedItem(msg.pSender->GetName())) {
    ForwardToOwner(msg.pSender->GetName());
  }
}

LRESULT CMenuWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const auto answer = SkinnedFrameAnswer(GetHWND(), message, wParam)) return *answer;
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_SIZE:
      ApplyRoundCorners(GetHWND(), paintManager, wParam);
      break;
    case WM_KILLFOCUS:
      if (reinterpret_cast<HWND>(wParam) != GetHWND()) PostMessage(WM_CLOSE);
      return 0;
    case WM_MOUSEWHEEL:
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close(1);
      return 0;
    default:
      break;
  }
  LRESULT result = 0;
  if (paintManager.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

// The menu owns itself; its window is gone, so is it.
void CMenuWnd::OnFinalMessage(HWND) {
  if (selfOwned) delete this;
}
