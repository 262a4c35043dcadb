#include "ui/controls/CMenuElementUI.h"

#include "ui/controls/ControlRegistry.h"
#include "ui/controls/UIText.h"

CMenuElementUI::CMenuElementUI() {
  textStyle_ = ui::kTextLeft | ui::kTextVCenter | ui::kTextSingleLine | ui::kTextEndEllipsis;
}

bool CMenuElementUI::Activate() {
  if (!IsShown() || !enabled_) return false;
  Notify(u"itemclick");
  // A notifier may have removed the entry already.
  if (ui::IsLiveControl(this)) Notify(u"itemselect");
  return true;
}
