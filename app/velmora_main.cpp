// The download center: hands a second start over to the running instance;
// otherwise hands the built-in skin to the UI library, opens the main window
// and runs the message loop. `velmora --screenshot FILE` instead renders the
// main window offscreen shortly after start, saves it as a PNG and ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/CTessaryDL.h"
#include "app/DesktopCommands.h"
#include "app/HeadlessHost.h"
#include "app/InstanceHandoff.h"
#include "app/ProgramInfoOptions.h"
#include "platform/CommandLine.h"
#include "platform/Display.h"
#include "platform/Path.h"
#include "ui/controls/EmbeddedSkin.h"
#include "ui/window/Automation.h"

namespace {

constexpr DWORD kMainWindowStyle = 0x10CF0000;  // WS_VISIBLE | WS_OVERLAPPEDWINDOW
constexpr int kScreenshotDelayMs = 1500;

// Takes "--screenshot FILE" out of the arguments; the scripts never see it.
std::optional<std::string> TakeScreenshotOption(std::vector<std::u16string>& arguments) {
  for (std::size_t i = 1; i + 1 < arguments.size(); ++i) {
    if (arguments[i] != u"--screenshot") continue;
    std::string file = platform::NativePathFromWide(arguments[i + 1]);
    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return file;
  }
  return std::nullopt;
}

int SaveScreenshot(HWND window, const std::string& file) {
  ui::automation::RunUntil([] { return false; }, kScreenshotDelayMs);
  if (!IsWindow(window) || !ui::automation::RenderToPng(window, file)) {
    std::fprintf(stderr, "velmora: could not save the screenshot to %s\n", file.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerProgramInfoOption(argc, argv, stdout)) return *status;
  // Desktop set-up actions (browser manifests, open at login) end here.
  if (const std::optional<int> status = RunDesktopCommand(argc, argv)) return *status;
  // Without a window, no display, no Qt: the scripts and remote control only.
  std::string headlessError;
  if (const std::optional<HeadlessOptions> headless = ReadHeadlessOptions(argc, argv, headlessError)) {
    if (!headlessError.empty()) {
      std::fprintf(stderr, "velmora: %s\n", headlessError.c_str());
      return 2;
    }
    platform::RecordProcessCommandLine(platform::CommandLineArguments(argc, argv));
    return RunHeadless(*headless);
  }
  std::vector<std::u16string> arguments = platform::CommandLineArguments(argc, argv);
  const std::optional<std::string> screenshot = TakeScreenshotOption(arguments);
  platform::RecordProcessCommandLine(arguments);
  if (screenshot) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else if (const HWND running = FindWindowW(nullptr, kProductTitle)) {
    HandToRunningInstance(running, platform::ProcessCommandLine());
    return 0;
  } else if (const auto reason = platform::MissingDisplayReason()) {
    std::fprintf(stderr,
                 "velmora: cannot open its window: %s; run it in a desktop session (or set DISPLAY to a "
                 "running X server), or picture the window with: velmora --screenshot FILE.png\n",
                 reason->c_str());
    return 1;
  }
  CPaintManagerUI::SetInstance(nullptr);

  if (!UseEmbeddedSkin()) return 0;

  auto mainWindow = std::unique_ptr<CTessaryDL>(new (std::nothrow) CTessaryDL);
  if (!mainWindow) return 0;
  // Without a window the loop would wait for a quit that never comes.
  if (!mainWindow->Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 1024, 800)) {
    std::fprintf(stderr, "velmora: the main window could not be created\n");
    return 1;
  }
  mainWindow->CenterWindow();
  ShowWindow(mainWindow->GetHWND(), SW_SHOWNORMAL);
  const int result = screenshot ? SaveScreenshot(mainWindow->GetHWND(), *screenshot) : (CPaintManagerUI::MessageLoop(), 0);
  // The window goes with its object; the skin copy outlives both.
  mainWindow.reset();
  return result;
}
