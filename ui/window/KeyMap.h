// Qt key codes to the desktop's virtual keys (0 when there is none).
#ifndef VELMORA_UI_WINDOW_KEYMAP_H
#define VELMORA_UI_WINDOW_KEYMAP_H

#include "ui/UIDefs.h"

namespace ui::detail {

UINT VirtualKeyFromQt(int qtKey);
int QtKeyFromVirtualKey(UINT virtualKey);

}  // namespace ui::detail

#endif
