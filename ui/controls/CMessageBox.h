// The skin's message box: a small modal window built from "messagebox.xml"
// on the text it was constructed with. Its controls: "msglabel" (the text),
// "mcheckbox" (an optional check box, hidden unless SetCheckBoxText gives
// it a text), "confirmBtn", "cancelBtn" and "closebtn".
//
// Use: construct, Create(owner, "", style, 0, 0, 0, 308, 140), CenterWindow,
// optionally SetCancelBtnVisible(false), then ShowModal. A box too narrow
// for its check box text and buttons ("buttonrow") widens to fit them
// whole, at any scale; call CenterWindow after the options that widen it.
// The result is 1
// (IDOK) when confirmed with the confirm button or Enter, and 2 (IDCANCEL)
// for the cancel button, the close button or Escape.
#ifndef VELMORA_UI_CONTROLS_CMESSAGEBOX_H
#define VELMORA_UI_CONTROLS_CMESSAGEBOX_H

#include <string>

#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/UIEvents.h"
#include "ui/window/CWindowWnd.h"

class CMessageBox : public CWindowWnd, public INotifyUI, public IMessageFilterUI {
 public:
  explicit CMessageBox(std::u16string_view text, std::u16string_view title = {});
  ~CMessageBox() override;

  void SetCancelBtnVisible(bool visible);
  // Shows the check box with this text (before or after Create).
  void SetCheckBoxText(std::u16string_view text);
  // The check box's state when the box closed (or now, while it is open).
  bool IsChecked() const;

  CPaintManagerUI& GetPaintManager() { return manager_; }
  void Notify(TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  const char16_t* GetWindowClassName() const override { return u"UIMessageBox"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnCreate();
  LRESULT HitTest(LPARAM lParam);
  void ApplyOptions();
  // Widens the window to the width its button row needs, when it is less.
  void FitButtonRow();

  CPaintManagerUI manager_;
  std::u16string text_;
  std::u16string title_;
  std::u16string checkText_;
  bool cancelVisible_ = true;
  mutable bool checked_ = false;
};

#endif
