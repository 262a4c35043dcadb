// The modifier keys held during the input being handled, as scripts see
// them (the lParam of "keydown": 1 Shift, 2 Ctrl, 4 Alt), and as the MK_*
// bits of a control's key events. The window layer records them from each
// Qt input event before dispatching it, which also covers input that tests
// synthesise (Qt's own global state only follows the platform's events).
// Window thread only.
#ifndef VELMORA_UI_KEYMODIFIERS_H
#define VELMORA_UI_KEYMODIFIERS_H

#include "ui/UIDefs.h"

namespace ui {

inline constexpr unsigned kModShift = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModAlt = 4;

namespace detail {

unsigned CurrentModifiers();
void SetCurrentModifiers(unsigned modifiers);
// From Qt::KeyboardModifiers (taken as an int to keep Qt out of here).
unsigned ModifiersFromQt(int qtModifiers);
int QtModifiersFrom(unsigned modifiers);
// MK_SHIFT and MK_CONTROL for the modifiers.
WPARAM KeyStateBits(unsigned modifiers);

}  // namespace detail

}  // namespace ui

#endif
