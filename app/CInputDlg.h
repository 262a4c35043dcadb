// The scripts' text-input dialog ("input.xml"): Enter or the submit button
// accept a non-empty text (result 1), Escape, the close or the exit button
// cancel (result 2). An empty text is refused with a message box and the
// dialog stays open. Lives from inputDlg.new to inputDlg.del.
#ifndef VELMORA_APP_CINPUTDLG_H
#define VELMORA_APP_CINPUTDLG_H

#include <string>

#include "app/PopupFrame.h"

class CInputDlg : public CPopupFrame {
 public:
  CInputDlg() : CPopupFrame(u"input.xml") {}

  // The text of the last accepted (or refused) check.
  const std::u16string& InputText() const { return inputText; }

  void Notify(TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  const char16_t* GetWindowClassName() const override { return u"UIInputDlg"; }
  void OnLayoutAttached() override;

 private:
  bool CheckText();

  std::u16string inputText;
  CControlUI* closeButton = nullptr;
  CControlUI* inputEdit = nullptr;
  CControlUI* submitButton = nullptr;
  CControlUI* exitButton = nullptr;
};

#endif
