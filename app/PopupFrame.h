// The frame the small modal windows share (the cover picture, the input
// dialog, the update notice): borderless with the layout's round corners,
// built from one skin layout, dragged by its caption. A derived class adds
// its own steps once the layout is attached, its hit test and its answers
// to notifications and keys.
//
// Users create it with CreatePopup, centre it and run it with ShowModal; the
// object outlives its window (it is the caller's) and is not deleted by it.
// Window thread only.
#ifndef VELMORA_APP_POPUPFRAME_H
#define VELMORA_APP_POPUPFRAME_H

#include <string>

#include "ui/UIlib.h"

class CPopupFrame : public CWindowWnd, public INotifyUI, public IMessageFilterUI {
 public:
  // The window style and size every popup is created with.
  static constexpr DWORD kPopupStyle = 0x96C80000;
  static constexpr int kPopupWidth = 640;
  static constexpr int kPopupHeight = 460;

  ~CPopupFrame() override;

  // Create(parent, "", kPopupStyle, 0, 0, 0, 640, 460); null on failure.
  HWND CreatePopup(HWND parent);
  CPaintManagerUI& PaintManager() { return paintManager; }

  void Notify(TNotifyUI&) override {}
  LRESULT MessageHandler(UINT, WPARAM, LPARAM, bool&) override { return 0; }

 protected:
  explicit CPopupFrame(std::u16string_view layout) : layout_(layout) {}

  // CS_SAVEBITS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW
  UINT GetClassStyle() const override { return 2059; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The class's own steps, once the layout is attached.
  virtual void OnLayoutAttached() {}
  // Inside the caption rectangle, a control that is no button drags.
  virtual LRESULT HitTest(POINT client);
  bool InCaption(POINT client, bool wholeHeightWhenMinusOne) const;

  CPaintManagerUI paintManager;

 private:
  LRESULT OnCreate();

  std::u16string layout_;
};

#endif
