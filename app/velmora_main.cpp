// The download center: hands a second start over to the running instance;
// otherwise hands the built-in skin to the UI library, opens the main window
// and runs the message loop.
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "app/CTessaryDL.h"
#include "app/DesktopCommands.h"
#include "app/InstanceHandoff.h"
#include "platform/CommandLine.h"
#include "platform/Resource.h"

namespace {

constexpr DWORD kMainWindowStyle = 0x10CF0000;  // WS_VISIBLE | WS_OVERLAPPEDWINDOW

// The skin zip copied out of the executable once; the UI library reads its
// layouts and images from this copy for the whole run. Empty when missing.
std::vector<unsigned char> CopySkinArchive() {
  HMODULE module = CPaintManagerUI::GetResourceDll();
  HRSRC resource = FindResourceW(module, kSkinResourceId, u"ZIPRES");
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const std::uint32_t size = SizeofResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  std::vector<unsigned char> archive;
  if (bytes && size > 0) {
    const auto* first = static_cast<const unsigned char*>(bytes);
    archive.assign(first, first + size);
  }
  if (loaded) FreeResource(loaded);
  return archive;
}

}  // namespace

int main(int argc, char** argv) {
  // Desktop set-up actions (browser manifests, open at login) end here.
  if (const std::optional<int> status = RunDesktopCommand(argc, argv)) return *status;
  platform::RecordProcessCommandLine(platform::CommandLineArguments(argc, argv));
  if (const HWND running = FindWindowW(nullptr, kProductTitle)) {
    HandToRunningInstance(running, platform::ProcessCommandLine());
    return 0;
  }
  CPaintManagerUI::SetInstance(nullptr);

  const std::vector<unsigned char> archive = CopySkinArchive();
  if (archive.empty() || !CPaintManagerUI::SetResourceZip(archive.data(), archive.size())) return 0;

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
