// Shared by the window-system tests: a window that records its messages and
// lets a test answer any of them, and a private link directory per run.
#ifndef VELMORA_TESTS_UI_UITESTSUPPORT_H
#define VELMORA_TESTS_UI_UITESTSUPPORT_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/window/CWindowWnd.h"

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class TestWindow : public CWindowWnd {
 public:
  // Return a value to answer the message; nullopt passes it to the base.
  std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> onMessage;
  std::function<void(HWND)> onFinal;
  std::vector<RecordedMessage> messages;
  UINT classStyle = CS_DBLCLKS;

  std::vector<RecordedMessage> Of(UINT message) const;
  bool Saw(UINT message) const { return !Of(message).empty(); }

 protected:
  const char16_t* GetWindowClassName() const override { return u"TestWindow"; }
  UINT GetClassStyle() const override { return classStyle; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;
};

// A frameless, visible window of the given size at (100, 100).
HWND CreateTestWindow(TestWindow& window, std::u16string_view title = u"test", int cx = 400, int cy = 300,
                      HWND parent = nullptr);

// Directory of the build's programs (velmora-send, the helper window).
std::string BinDir();

#endif
