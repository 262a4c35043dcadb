// The update notice (messages 2966 and 2967): the fetched notice text in a
// scrolling text control of "updateinfo.xml".
#ifndef VELMORA_APP_UPDATEINFO_H
#define VELMORA_APP_UPDATEINFO_H

#include <string>

#include "app/PopupFrame.h"

class UpdateInfo : public CPopupFrame {
 public:
  UpdateInfo() : CPopupFrame(u"updateinfo.xml") {}

  // The notice as ANSI text (a leading byte-order mark dropped); call after
  // the window is created.
  void SetNotice(const std::string& ansiText);
  void Notify(TNotifyUI& msg) override;
  CControlUI* Root() const { return root; }

 protected:
  const char16_t* GetWindowClassName() const override { return u"UpdateInfo"; }
  void OnLayoutAttached() override;

 private:
  CControlUI* root = nullptr;
  CControlUI* closeButton = nullptr;
};

#endif
