// A popup menu from a skin layout: the context menu of the two download
// lists ("menu.xml"), and the menus scripts open with ui_popupMenu. It opens
// at a screen point kept inside the work area, keeps its owner window
// looking active, and closes on Escape, on an item and when focus leaves it.
// A click on an item named "menu_..." reaches the owner's window as a
// notification of that name ("menu_Open", ...) from the owner. On the
// finished list, start and pause are disabled.
//
// The menu owns itself: it deletes itself when its window is gone.
#ifndef VELMORA_APP_CMENUWND_H
#define VELMORA_APP_CMENUWND_H

#include <string>

#include "ui/UIlib.h"

class CMenuWnd : public CWindowWnd, public INotifyUI {
 public:
  // Opens the menu of `owner` (a list control) at `screenPoint`; null, with
  // nothing left behind, when its window cannot be made.
  static CMenuWnd* Open(CControlUI* owner, POINT screenPoint, std::u16string_view layout = u"menu.xml");

  void Notify(TNotifyUI& msg) override;
  CPaintManagerUI& PaintManager() { return paintManager; }

 protected:
  const char16_t* GetWindowClassName() const override { return u"MenuWnd"; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  CMenuWnd(CControlUI* owner, POINT screenPoint, std::u16string_view layout);
  LRESULT OnCreate();
  void Place();
  void ForwardToOwner(const std::u16string& item);

  CPaintManagerUI paintManager;
  CControlUI* owner = nullptr;
  // The owner's manager and name when the menu opened: the owner is only
  // used while that manager still holds it under that name.
  CPaintManagerUI* ownerManager = nullptr;
  std::u16string ownerName;
  std::u16string layout;
  int x = 0;
  int y = 0;
  // Set once Create succeeded; until then the opener frees a failed menu.
  bool selfOwned = false;
};

#endif
