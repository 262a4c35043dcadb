// Shared by the controls-layer tests: the embedded skin served from its zip,
// and a frameless window that loads a layout (by name or from text) and
// records every notification it receives.
#ifndef VELMORA_TESTS_UI_LAYOUTTESTWINDOW_H
#define VELMORA_TESTS_UI_LAYOUTTESTWINDOW_H

#include <functional>
#include <string>
#include <vector>

#include "ui/controls/CDialogBuilder.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/EmbeddedSkin.h"
#include "ui/window/CWindowWnd.h"

struct SeenNotify {
  std::u16string type;
  std::u16string sender;
  WPARAM wParam;
  LPARAM lParam;
  POINT pt;
};

class LayoutTestWindow : public CWindowWnd, public INotifyUI {
 public:
  // `layout` is a skin file name, or layout text when it starts with '<'.
  explicit LayoutTestWindow(std::u16string layout, IDialogBuilderCallback* callback = nullptr);
  ~LayoutTestWindow() override;

  // Creates the window (visible, frameless) at the layout's size, or at
  // the given size when the layout gives none.
  HWND Open(int cx = 640, int cy = 480);
  CPaintManagerUI& Manager() { return manager; }
  template <typename T>
  T* Find(std::u16string_view name) {
    return dynamic_cast<T*>(manager.FindControl(name));
  }
  // The notifications of one type, in order.
  std::vector<SeenNotify> Of(std::u16string_view type) const;
  // Client point in the middle of a control.
  POINT Centre(std::u16string_view name);

  void Notify(TNotifyUI& msg) override;

  CPaintManagerUI manager;
  std::vector<SeenNotify> seen;
  std::function<void(TNotifyUI&)> onNotify;

 protected:
  const char16_t* GetWindowClassName() const override { return u"LayoutTestWindow"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::u16string layout_;
  IDialogBuilderCallback* callback_;
};

#endif
