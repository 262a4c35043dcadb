#include "app/PopupFrame.h"

#include "app/SkinnedFrame.h"

CPopupFrame::~CPopupFrame() {
  paintManager.RemovePreMessageFilter(this);
  paintManager.RemoveNotifier(this);
}

HWND CPopupFrame::CreatePopup(HWND parent) {
  return Create(parent, u"", kPopupStyle, 0, 0, 0, kPopupWidth, kPopupHeight);
}

LRESULT CPopupFrame::OnCreate() {
  const HWND hwnd = GetHWND();
  const auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
  SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>((style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
  paintManager.Init(hwnd);
  paintManager.AddPreMessageFilter(this);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(layout_, nullptr, nullptr, &paintManager);
  paintManager.AttachDialog(root);
  paintManager.AddNotifier(this);
  OnLayoutAttached();
  return 0;
}

bool CPopupFrame::InCaption(POINT pt, bool wholeHeightWhenMinusOne) const {
  RECT client;
  GetClientRect(GetHWND(), &client);
  const RECT caption = paintManager.GetCaptionRect();
  const LONG bottom = wholeHeightWhenMinusOne && caption.bottom == -1 ? client.bottom : caption.bottom;
  return pt.x >= caption.left && pt.x < client.right - caption.right && pt.y >= caption.top && pt.y < bottom;
}

LRESULT CPopupFrame::HitTest(POINT pt) {
  if (!InCaption(pt, false)) return HTCLIENT;
  const CControlUI* control = paintManager.FindControl(pt);
  return control && control->GetClass() != u"ButtonUI" ? HTCAPTION : HTCLIENT;
}

LRESULT CPopupFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const auto answer = SkinnedFrameAnswer(GetHWND(), message, wParam)) return *answer;
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_SIZE:
      ApplyRoundCorners(GetHWND(), paintManager, wParam);
      break;
    case WM_NCHITTEST: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(GetHWND(), &pt);
      return HitTest(pt);
    }
    default:
      break;
  }
  LRESULT result = 0;
  if (paintManager.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}
