#include "app/CScriptDialog.h"

void CScriptDialog::Notify(TNotifyUI& msg) {
  if (handler_) handler_(msg);
  // After the handler: it may want to note the cancel, but cannot refuse it.
  if (msg.sType == u"click" && msg.pSender && msg.pSender->GetName() == u"closebtn" && IsWindow(GetHWND()))
    Close(kCancelled);
}

LRESULT CScriptDialog::MessageHandler(UINT message, WPARAM wParam, LPARAM, bool&) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    Close(kCancelled);
    return 1;
  }
  return 0;
}

bool IsDialogLayoutName(std::u16string_view name) {
  constexpr std::u16string_view kSuffix = u".xml";
  if (name.size() <= kSuffix.size() || name.size() > 64 || name.substr(name.size() - kSuffix.size()) != kSuffix)
    return false;
  for (char16_t c : name) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.';
    if (!plain) return false;
  }
  return name.front() != u'.';
}
