// The download center: hands a second start over to the running instance;
// otherwise hands the built-in skin to the UI library, opens the main window
// and runs the message loop.
#include <memory>
#include <new>

#include "app/CTessaryDL.h"
#include "app/InstanceHandoff.h"
#include "platform/CommandLine.h"
#include "ui/controls/EmbeddedSkin.h"

namespace {

constexpr DWORD kMainWindowStyle = 0x10CF0000;  // WS_VISIBLE | WS_OVERLAPPEDWINDOW

}  // namespace

int main(int argc, char** argv) {
  platform::RecordProcessCommandLine(platform::CommandLineArguments(argc, argv));
  if (const HWND running = FindWindowW(nullptr, kProductTitle)) {
    HandToRunningInstance(running, platform::ProcessCommandLine());
    return 0;
  }
  CPaintManagerUI::SetInstance(nullptr);

  if (!UseEmbeddedSkin()) return 0;

  auto mainWindow = std::unique_ptr<CTessaryDL>(new (std::nothrow) CTessaryDL);
  if (!mainWindow) return 0;
  mainWindow->Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 1024, 800);
  mainWindow->CenterWindow();
  ShowWindow(mainWindow->GetHWND(), SW_SHOWNORMAL);
  CPaintManagerUI::MessageLoop();
  // The window goes with its object; the skin copy outlives both.
  mainWindow.reset();
  return 0;
}
