// What the window host asks before a queued message (post, input, timer)
// reaches the window procedure. The layer above registers one per window,
// so the window system never needs to know what paints the window.
#ifndef VELMORA_UI_WINDOW_HOSTMESSAGEFILTER_H
#define VELMORA_UI_WINDOW_HOSTMESSAGEFILTER_H

#include <string>

#include "ui/UIDefs.h"

class IHostMessageFilter {
 public:
  // True when the message is handled; `result` is then its answer.
  virtual bool PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
  // Links, files or text dropped at `pt` (client coordinates): `count`
  // items, one a line in `text`. True when something took them.
  virtual bool TakeDrop(POINT pt, std::u16string text, int count) = 0;

 protected:
  ~IHostMessageFilter() = default;
};

#endif
