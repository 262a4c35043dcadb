// What travels between the paint manager, the controls and their owners:
// notifications (INotifyUI), pre-message filters (IMessageFilterUI) and the
// input events the manager routes to a control (TEventUI).
#ifndef VELMORA_UI_CONTROLS_UIEVENTS_H
#define VELMORA_UI_CONTROLS_UIEVENTS_H

#include <string>

#include "ui/UIDefs.h"

class CControlUI;

// A notification: a type name ("click", "windowinit", ...), the control it
// is from, the mouse point in client coordinates when it was raised, and two
// words whose meaning belongs to the type.
struct TNotifyUI {
  std::u16string sType;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::u16string sText;  // what a "drop" carries; empty for other types
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

// Asked before the window's own handling. Setting `handled` ends the message
// with the returned value; otherwise it goes on as usual.
class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

// Input the paint manager hands to a control.
enum UIEventType {
  UIEVENT_UNKNOWN = 0,
  UIEVENT_MOUSEMOVE,
  UIEVENT_MOUSELEAVE,
  UIEVENT_MOUSEENTER,
  UIEVENT_MOUSEHOVER,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_RBUTTONDOWN,
  UIEVENT_RBUTTONUP,
  UIEVENT_DBLCLICK,
  UIEVENT_CONTEXTMENU,
  UIEVENT_SCROLLWHEEL,
  UIEVENT_KEYDOWN,
  UIEVENT_KEYUP,
  UIEVENT_CHAR,
  UIEVENT_SETFOCUS,
  UIEVENT_KILLFOCUS,
  UIEVENT_TIMER,
  UIEVENT_SETCURSOR,
};

struct TEventUI {
  UIEventType Type = UIEVENT_UNKNOWN;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse;      // client coordinates
  char16_t chKey = 0;  // WM_CHAR unit, or the virtual key for key events
  WPARAM wKeyState = 0;  // MK_* bits
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

#endif
