// One message box as the automation API sees it: what was asked and the
// answer it got. Apart from the automation API so that the window system's
// hooks can name it without including the API they serve.
#ifndef VELMORA_UI_WINDOW_MESSAGEBOXRECORD_H
#define VELMORA_UI_WINDOW_MESSAGEBOXRECORD_H

#include <string>

#include "ui/UIDefs.h"

namespace ui::automation {

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::u16string text;
  std::u16string caption;
  UINT type = 0;
  int answer = 0;
};

}  // namespace ui::automation

#endif
