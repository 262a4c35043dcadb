#include "ui/controls/ControlAutomation.h"

#include "ui/controls/CControlUI.h"
#include "ui/controls/CPaintManagerUI.h"

namespace ui::automation {

bool ClickControl(CPaintManagerUI& manager, std::u16string_view name, Button button) {
  CControlUI* control = manager.FindControl(name);
  if (!control) return false;
  const RECT rc = control->GetPos();
  Click(manager.GetPaintWindow(), POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}, button);
  return true;
}

}  // namespace ui::automation
