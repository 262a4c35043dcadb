#include "ui/controls/CMessageBox.h"

#include <algorithm>

#include "ui/controls/CContainerUI.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CDialogBuilder.h"
#include "ui/controls/COptionUI.h"
#include "ui/window/WindowApi.h"

CMessageBox::CMessageBox(std::u16string_view text, std::u16string_view title) : text_(text), title_(title) {}

CMessageBox::~CMessageBox() = default;

void CMessageBox::SetCancelBtnVisible(bool visible) {
  cancelVisible_ = visible;
  ApplyOptions();
}

void CMessageBox::SetCheckBoxText(std::u16string_view text) {
  checkText_ = text;
  ApplyOptions();
}

bool CMessageBox::IsChecked() const {
  if (auto* box = dynamic_cast<CCheckBoxUI*>(manager_.FindControl(u"mcheckbox"))) checked_ = box->IsChecked();
  return checked_;
}

void CMessageBox::ApplyOptions() {
  if (CControlUI* cancel = manager_.FindControl(u"cancelBtn")) cancel->SetVisible(cancelVisible_);
  if (CControlUI* check = manager_.FindControl(u"mcheckbox")) {
    check->SetVisible(!checkText_.empty());
    check->SetText(checkText_);
  }
  FitButtonRow();
}

namespace {

// The row's inset, each shown control's own width (a check box's is its
// text's), and the gaps between them; a spacer asks for nothing.
int NeededWidth(CContainerUI& row) {
  const RECT inset = row.GetInset();
  int width = inset.left + inset.right;
  int shown = 0;
  for (int i = 0; i < row.GetCount(); ++i) {
    CControlUI* control = row.GetItemAt(i);
    if (!control->IsVisible()) continue;
    width += control->EstimateSize(SIZE{0, 0}).cx;
    ++shown;
  }
  return width + std::max(0, shown - 1) * row.GetChildPadding();
}

}  // namespace

void CMessageBox::FitButtonRow() {
  auto* row = dynamic_cast<CContainerUI*>(manager_.FindControl(u"buttonrow"));
  if (!row || !GetHWND()) return;
  RECT client;
  GetClientRect(GetHWND(), &client);
  // The frame around the row: whatever the client has beside the row.
  const RECT pos = row->GetPos();
  const int frame = pos.right > pos.left ? (client.right - client.left) - (pos.right - pos.left) : 2;
  const int needed = NeededWidth(*row) + frame;
  if (needed > client.right - client.left) ResizeClient(needed, client.bottom - client.top);
}

LRESULT CMessageBox::OnCreate() {
  LONG style = GetWindowLong(GetHWND(), GWL_STYLE);
  style = static_cast<LONG>((static_cast<DWORD>(style) & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  SetWindowLong(GetHWND(), GWL_STYLE, style);
  manager_.Init(GetHWND());
  manager_.AddPreMessageFilter(this);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(u"messagebox.xml", nullptr, nullptr, &manager_, nullptr);
  manager_.AttachDialog(root);
  manager_.AddNotifier(this);
  if (CControlUI* label = manager_.FindControl(u"msglabel")) label->SetText(text_);
  if (!title_.empty())
    if (CControlUI* title = manager_.FindControl(u"title")) title->SetText(title_);
  ApplyOptions();
  return 0;
}

LRESULT CMessageBox::HitTest(LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(GetHWND(), &pt);
  RECT client;
  GetClientRect(GetHWND(), &client);
  const RECT caption = manager_.GetCaptionRect();
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    CControlUI* control = manager_.FindControl(pt);
    if (control && control->GetClass() != u"ButtonUI") return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT CMessageBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_NCHITTEST:
      return HitTest(lParam);
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      return 0;
    case WM_NCACTIVATE:
      return wParam == 0 ? 1 : 0;
    case WM_SIZE: {
      const SIZE corner = manager_.GetRoundCorner();
      if (wParam != SIZE_MINIMIZED && (corner.cx != 0 || corner.cy != 0)) {
        RECT rc;
        GetWindowRect(GetHWND(), &rc);
        HRGN region = CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, corner.cx, corner.cy);
        SetWindowRgn(GetHWND(), region, TRUE);
        DeleteObject(region);
      }
      break;
    }
    case WM_CLOSE:
      IsChecked();  // keep the answer once the controls are gone
      break;
    default:
      break;
  }
  LRESULT result = 0;
  if (manager_.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CMessageBox::Notify(TNotifyUI& msg) {
  if (msg.sType != u"click" || !msg.pSender) return;
  const std::u16string& name = msg.pSender->GetName();
  if (name == u"confirmBtn") Close(IDOK);
  if (name == u"cancelBtn" || name == u"closebtn") Close(IDCANCEL);
}

LRESULT CMessageBox::MessageHandler(UINT message, WPARAM wParam, LPARAM, bool&) {
  if (message != WM_KEYDOWN) return 0;
  if (wParam == VK_RETURN) {
    Close(IDOK);
    return 1;
  }
  if (wParam == VK_ESCAPE) {
    Close(IDCANCEL);
    return 1;
  }
  return 0;
}
