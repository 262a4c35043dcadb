// What a control asks of the window it is shown in: repainting, layout,
// focus, timers and notifications. The paint manager implements it and
// hands itself down the control tree, so controls never need the manager's
// own declaration. Window thread only.
#ifndef VELMORA_UI_CONTROLS_CONTROLHOST_H
#define VELMORA_UI_CONTROLS_CONTROLHOST_H

#include "ui/controls/UIEvents.h"

class CControlUI;
class CPaintManagerUI;

class IControlHost {
 public:
  // The manager behind the host, as scripts and the control registry know it.
  virtual CPaintManagerUI* Manager() = 0;
  virtual HWND GetPaintWindow() const = 0;

  virtual void Invalidate() = 0;
  virtual void Invalidate(const RECT& rc) = 0;
  virtual void NeedUpdate() = 0;

  virtual CControlUI* GetFocus() const = 0;
  virtual void SetFocus(CControlUI* control) = 0;
  virtual POINT GetMousePos() const = 0;

  virtual bool SetTimer(CControlUI* control, UINT id, UINT elapseMs) = 0;
  virtual bool KillTimer(CControlUI* control, UINT id) = 0;

  virtual void SendNotify(TNotifyUI& msg, bool async) = 0;
  // A control about to be deleted: forget every pointer to it.
  virtual void ReapObjects(CControlUI* control) = 0;

 protected:
  ~IControlHost() = default;
};

#endif
