// One entry of a pop-up menu. A click raises "itemclick" and then
// "itemselect", both from the entry itself; a disabled entry raises nothing.
#ifndef VELMORA_UI_CONTROLS_CMENUELEMENTUI_H
#define VELMORA_UI_CONTROLS_CMENUELEMENTUI_H

#include "ui/controls/CButtonUI.h"

class CMenuElementUI : public CButtonUI {
 public:
  CMenuElementUI();
  std::u16string GetClass() const override { return u"MenuElementUI"; }
  bool Activate() override;
};

#endif
