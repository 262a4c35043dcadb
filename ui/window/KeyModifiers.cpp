#include "ui/window/KeyModifiers.h"

#include <Qt>

namespace ui::detail {

namespace {

unsigned g_modifiers = 0;

}  // namespace

unsigned CurrentModifiers() { return g_modifiers; }

void SetCurrentModifiers(unsigned modifiers) { g_modifiers = modifiers & (kModShift | kModControl | kModAlt); }

unsigned ModifiersFromQt(int qtModifiers) {
  unsigned modifiers = 0;
  if (qtModifiers & Qt::ShiftModifier) modifiers |= kModShift;
  if (qtModifiers & Qt::ControlModifier) modifiers |= kModControl;
  if (qtModifiers & Qt::AltModifier) modifiers |= kModAlt;
  return modifiers;
}

int QtModifiersFrom(unsigned modifiers) {
  int qt = Qt::NoModifier;
  if (modifiers & kModShift) qt |= Qt::ShiftModifier;
  if (modifiers & kModControl) qt |= Qt::ControlModifier;
  if (modifiers & kModAlt) qt |= Qt::AltModifier;
  return qt;
}

WPARAM KeyStateBits(unsigned modifiers) {
  WPARAM bits = 0;
  if (modifiers & kModShift) bits |= MK_SHIFT;
  if (modifiers & kModControl) bits |= MK_CONTROL;
  return bits;
}

}  // namespace ui::detail
