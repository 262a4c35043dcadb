// A modal dialog built from a skin layout and driven by a script: every
// notification of its controls goes to the handler the script gave, which
// reads and fills the controls through the dialog's paint manager and ends
// the dialog with a result of its choosing. Escape and the "closebtn"
// button end it with 2 (cancelled) whatever the handler does.
//
// The caller owns the object; it lives from before Create until after
// ShowModal returns. Window thread only.
#ifndef VELMORA_APP_CSCRIPTDIALOG_H
#define VELMORA_APP_CSCRIPTDIALOG_H

#include <functional>
#include <string>

#include "app/PopupFrame.h"

class CScriptDialog : public CPopupFrame {
 public:
  static constexpr UINT kCancelled = 2;
  using Handler = std::function<void(TNotifyUI&)>;

  CScriptDialog(std::u16string_view layout, Handler handler) : CPopupFrame(layout), handler_(std::move(handler)) {}

  // False when the layout named no skin file the builder could read.
  bool HasLayout() const { return hasLayout_; }

  void Notify(TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  const char16_t* GetWindowClassName() const override { return u"UIScriptDialog"; }
  void OnLayoutAttached() override { hasLayout_ = paintManager.GetRoot() != nullptr; }

 private:
  Handler handler_;
  bool hasLayout_ = false;
};

// A layout name a script may open: a plain skin file name ending in ".xml",
// no folders.
bool IsDialogLayoutName(std::u16string_view name);

#endif
