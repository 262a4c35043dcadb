#include "app/DesktopCommands.h"

#include <cstdio>
#include <string_view>

#include "app/BrowserRegistration.h"
#include "app/LoginAutostart.h"

namespace {

int Report(const RegistrationResult& result, const char* verb) {
  for (const std::string& path : result.changed) std::printf("%s %s\n", verb, path.c_str());
  for (const std::string& failure : result.failures) std::fprintf(stderr, "velmora: %s\n", failure.c_str());
  return result.ok() ? 0 : 1;
}

int OpenAtLogin(bool on) {
  const UserFolders folders = UserFoldersFromEnvironment();
  std::string error;
  if (!SetOpenAtLogin(on, RunningProgramDirectory() + "/velmora", folders, error)) {
    std::fprintf(stderr, "velmora: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s %s\n", on ? "wrote" : "removed", AutostartEntryPath(folders).c_str());
  return 0;
}

}  // namespace

std::optional<int> RunDesktopCommand(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const std::string_view action = argv[1];
  if (action == "--register-browsers") {
    const std::string host = RunningProgramDirectory() + "/" + kNativeHostProgram;
    return Report(RegisterBrowsers(host, UserFoldersFromEnvironment()), "wrote");
  }
  if (action == "--unregister-browsers") return Report(UnregisterBrowsers(UserFoldersFromEnvironment()), "removed");
  if (action == "--open-at-login") return OpenAtLogin(true);
  if (action == "--no-open-at-login") return OpenAtLogin(false);
  return std::nullopt;
}
