// A window in a process of its own for the cross-process tests:
// ui-test-window TITLE. It reports on standard output, one line each:
// "ready", "post MSG WPARAM LPARAM" for messages at or above WM_USER,
// "copydata SIZE HEX" for WM_COPYDATA (answering SIZE + 1000). WM_APP + 1
// ends it.
#include <cstdio>
#include <string>

#include "platform/Utf8Codec.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/CWindowWnd.h"
#include "ui/window/WindowApi.h"

namespace {

class ReportingWindow : public CWindowWnd {
 protected:
  const char16_t* GetWindowClassName() const override { return u"ReportingWindow"; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP + 1) {
      PostQuitMessage(0);
      return 0;
    }
    if (message == WM_COPYDATA) {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      std::string hex;
      const auto* bytes = static_cast<const unsigned char*>(data->lpData);
      for (DWORD i = 0; i < data->cbData; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
        hex += pair;
      }
      std::printf("copydata %u %s\n", static_cast<unsigned>(data->cbData), hex.c_str());
      std::fflush(stdout);
      return static_cast<LRESULT>(data->cbData) + 1000;
    }
    if (message >= WM_USER) {
      std::printf("post %u %llu %lld\n", message, static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
      std::fflush(stdout);
      return 0;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::u16string title;
  platform::AppendUtf8AsUtf16(argv[1], title);
  ReportingWindow window;
  if (!window.Create(nullptr, title, WS_POPUP, 0, 0, 0, 200, 100)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  return CPaintManagerUI::MessageLoop();
}
