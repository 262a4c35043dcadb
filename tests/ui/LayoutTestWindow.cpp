#include "tests/ui/LayoutTestWindow.h"

#include <cstdlib>
#include <vector>

#include "ui/controls/CControlUI.h"
#include "ui/window/WindowApi.h"

namespace {

// ctest hands the tests only the first variable of their environment list
// (the list is split when the tests are discovered), so the display-less
// platform is chosen here too, before Qt starts.
const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return true;
}();

}  // namespace

LayoutTestWindow::LayoutTestWindow(std::u16string layout, IDialogBuilderCallback* callback)
    : layout_(std::move(layout)), callback_(callback) {}

LayoutTestWindow::~LayoutTestWindow() {
  if (GetHWND()) DestroyWindow(GetHWND());
}

HWND LayoutTestWindow::Open(int cx, int cy) {
  return Create(nullptr, u"layout test", WS_POPUP | WS_VISIBLE, 0, 100, 100, cx, cy);
}

LRESULT LayoutTestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    manager.Init(GetHWND());
    CDialogBuilder builder;
    CControlUI* root = !layout_.empty() && layout_[0] == u'<'
                           ? builder.CreateFromText(layout_, callback_, &manager)
                           : builder.Create(layout_, nullptr, callback_, &manager);
    manager.AttachDialog(root);
    manager.AddNotifier(this);
    return 0;
  }
  LRESULT result = 0;
  if (manager.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void LayoutTestWindow::Notify(TNotifyUI& msg) {
  seen.push_back(SeenNotify{msg.sType, msg.pSender ? msg.pSender->GetName() : u"", msg.wParam, msg.lParam,
                            msg.ptMouse});
  if (onNotify) onNotify(msg);
}

std::vector<SeenNotify> LayoutTestWindow::Of(std::u16string_view type) const {
  std::vector<SeenNotify> found;
  for (const SeenNotify& n : seen)
    if (n.type == type) found.push_back(n);
  return found;
}

POINT LayoutTestWindow::Centre(std::u16string_view name) {
  CControlUI* control = manager.FindControl(name);
  if (!control) return POINT{-1, -1};
  const RECT& rc = control->GetPos();
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// fontconfig keeps a cache it never frees; it is not ours to fix, and the
// sanitizer run of these tests should report only our own leaks.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
