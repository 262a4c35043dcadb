#include "app/CInputDlg.h"

#include "lang/Texts.h"

void CInputDlg::OnLayoutAttached() {
  closeButton = paintManager.FindControl(u"closebtn");
  inputEdit = paintManager.FindControl(u"edtInput");
  submitButton = paintManager.FindControl(u"submitBtn");
  exitButton = paintManager.FindControl(u"exitBtn");
}

bool CInputDlg::CheckText() {
  inputText = inputEdit ? inputEdit->GetText() : std::u16string();
  if (!inputText.empty()) return true;
  MessageBoxW(GetHWND(), lang::Text16("host.searchEmpty").c_str(), lang::Text16("host.errorTitle").c_str(),
              MB_ICONERROR);
  return false;
}

void CInputDlg::Notify(TNotifyUI& msg) {
  if (msg.sType != u"click" || !msg.pSender) return;
  if (msg.pSender == closeButton || msg.pSender == exitButton) {
    Close(2);
  } else if (msg.pSender == submitButton && CheckText()) {
    Close(1);
  }
}

// Answers Enter and Escape but leaves the handled flag alone, so the key
// still reaches the controls as usual.
LRESULT CInputDlg::MessageHandler(UINT message, WPARAM wParam, LPARAM, bool&) {
  if (message != WM_KEYDOWN) return 0;
  if (wParam == VK_RETURN) {
    if (CheckText()) Close(1);
    return 1;
  }
  if (wParam == VK_ESCAPE) {
    Close(2);
    return 1;
  }
  return 0;
}
