// The benchmarks' stand-in for the main window: a window that shows the
// skin's main layout, so lists are measured with the program's own
// columns, fonts and sizes.
#ifndef VELMORA_BENCH_UI_SKINWINDOW_H
#define VELMORA_BENCH_UI_SKINWINDOW_H

#include "ui/controls/CDialogBuilder.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/CWindowWnd.h"

class SkinWindow : public CWindowWnd {
 public:
  explicit SkinWindow(const char16_t* className) : className_(className) {}

  CPaintManagerUI manager;

 protected:
  const char16_t* GetWindowClassName() const override { return className_; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) {
      manager.Init(GetHWND());
      CDialogBuilder builder;
      manager.AttachDialog(builder.Create(u"default.xml", nullptr, nullptr, &manager));
      return 0;
    }
    LRESULT result = 0;
    if (manager.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
  }

 private:
  const char16_t* className_;
};

#endif
