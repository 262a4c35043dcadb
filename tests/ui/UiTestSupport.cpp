#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/TempDir.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

namespace {

// Every test process gets its own link directory, so tests never see (or
// disturb) the windows of a real session.
class LinkDirectoryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<TempDir>();
    setenv("VELMORA_WINDOW_DIR", (dir_->path() + "/link").c_str(), 1);
  }
  void TearDown() override { dir_.reset(); }

 private:
  std::unique_ptr<TempDir> dir_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new LinkDirectoryEnvironment);

}  // namespace

std::vector<RecordedMessage> TestWindow::Of(UINT message) const {
  std::vector<RecordedMessage> found;
  for (const RecordedMessage& m : messages) {
    if (m.message == message) found.push_back(m);
  }
  return found;
}

LRESULT TestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  messages.push_back(RecordedMessage{message, wParam, lParam});
  if (onMessage) {
    if (std::optional<LRESULT> answer = onMessage(message, wParam, lParam)) return *answer;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void TestWindow::OnFinalMessage(HWND hwnd) {
  if (onFinal) onFinal(hwnd);
}

HWND CreateTestWindow(TestWindow& window, std::u16string_view title, int cx, int cy, HWND parent) {
  return window.Create(parent, title, WS_VISIBLE | WS_POPUP, 0, 100, 100, cx, cy);
}

std::string BinDir() {
  const char* dir = std::getenv("VELMORA_BIN_DIR");
  return dir ? dir : std::filesystem::current_path().string();
}
