// Driving skinned windows from tests by control name, over the window
// system's synthesised input. Window thread only.
#ifndef VELMORA_UI_CONTROLS_CONTROLAUTOMATION_H
#define VELMORA_UI_CONTROLS_CONTROLAUTOMATION_H

#include <string_view>

#include "ui/window/Automation.h"

class CPaintManagerUI;

namespace ui::automation {

// Clicks the middle of the named control; false when there is none.
bool ClickControl(CPaintManagerUI& manager, std::u16string_view name, Button button = Button::Left);

}  // namespace ui::automation

#endif
