#include "app/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

UserFolders UserFoldersFromEnvironment() {
  UserFolders folders;
  if (const char* home = std::getenv("HOME"); home && *home == '/') {
    folders.home = home;
  } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
    folders.home = entry->pw_dir;
  }
  // Relative values are invalid by the base-directory rules and are ignored.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    folders.configHome = config;
  } else if (!folders.home.empty()) {
    folders.configHome = folders.home + "/.config";
  }
  return folders;
}

std::string RunningProgramDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error) {
  const std::string folder = fs::path(path).parent_path().string();
  if (int failure = folder.empty() ? 0 : platform::MakeDirectories(folder)) {
    error = "cannot create the folder of " + path + ": " + platform::ErrorText(failure);
    return false;
  }
  if (int failure = platform::WriteFileAtomically(path, text)) {
    error = "cannot replace " + path + ": " + platform::ErrorText(failure);
    return false;
  }
  return true;
}
