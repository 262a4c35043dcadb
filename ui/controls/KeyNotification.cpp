#include "ui/controls/KeyNotification.h"

#include "ui/window/KeyModifiers.h"

namespace ui::detail {

namespace {

bool IsFunctionKey(UINT vk) { return vk >= VK_F1 && vk <= VK_F1 + 23; }

bool IsEditCommand(UINT vk) {
  return vk == 'A' || vk == 'C' || vk == 'V' || vk == 'X' || vk == 'Y' || vk == 'Z';
}

}  // namespace

bool IsNotifiedKey(std::u16string_view focusClass, UINT vk, unsigned modifiers) {
  if (vk == 0 || vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_TAB) return false;
  if (focusClass != u"EditUI") return true;
  if (IsFunctionKey(vk) || vk == VK_ESCAPE) return true;
  const bool chord = (modifiers & (kModControl | kModAlt)) != 0;
  if (!chord) return false;
  const bool plainControl = (modifiers & (kModControl | kModAlt)) == kModControl;
  return !(plainControl && IsEditCommand(vk));
}

}  // namespace ui::detail
