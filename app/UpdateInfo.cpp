#include "app/UpdateInfo.h"

#include "base/CodePageText.h"
#include "lang/Texts.h"

void UpdateInfo::OnLayoutAttached() {
  root = paintManager.GetRoot();
  SetWindowText(GetHWND(), lang::Text16("host.updateTitle").c_str());
  closeButton = paintManager.FindControl(u"closebtn");
}

void UpdateInfo::SetNotice(const std::string& ansiText) {
  CControlUI* info = paintManager.FindControl(u"info_txt");
  if (!info) return;
  std::u16string text = AnsiToUtf16(ansiText);
  if (!text.empty() && text.front() == u'\uFEFF') text.erase(0, 1);
  info->SetText(text);
}

void UpdateInfo::Notify(TNotifyUI& msg) {
  if ((msg.sType == u"click" && msg.pSender && msg.pSender == closeButton) || msg.sType == u"itemdoubleclick") {
    Close(1);
  }
}
