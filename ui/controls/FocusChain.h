// Keyboard focus order: Tab moves the paint manager's focus to the next
// control that takes focus (buttons, options, edits, lists), in layout
// order, wrapping around; Shift+Tab goes back. Window thread only.
#ifndef VELMORA_UI_CONTROLS_FOCUSCHAIN_H
#define VELMORA_UI_CONTROLS_FOCUSCHAIN_H

class CControlUI;

namespace ui {

// Moves focus on from `from` (which must belong to a manager); false when
// no other control takes focus.
bool MoveFocus(CControlUI* from, bool forward);

}  // namespace ui

#endif
