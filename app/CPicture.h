// The cover preview (message 2863): the picture named by the scripts'
// BookCoverPath, or the skin's own cover when that is missing or cannot be
// decoded, in a window sized to it (CoverFit) and centred.
#ifndef VELMORA_APP_CPICTURE_H
#define VELMORA_APP_CPICTURE_H

#include <string>

#include "app/CoverFit.h"
#include "app/PopupFrame.h"

class CPicture : public CPopupFrame {
 public:
  explicit CPicture(std::u16string_view picturePath = {});

  void Notify(TNotifyUI& msg) override;
  // How the window was sized when it was created.
  const CoverFit& Fit() const { return fit; }

 protected:
  const char16_t* GetWindowClassName() const override { return u"UICPicture"; }
  void OnLayoutAttached() override;
  LRESULT HitTest(POINT client) override;

 private:
  void SizeWindow();

  // Kept whole: a cut path would name another file.
  std::u16string picturePath;
  CControlUI* closeButton = nullptr;
  CoverFit fit;
};

#endif
