#include "app/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

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
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  if (ec) {
    error = "cannot create the folder of " + path + ": " + ec.message();
    return false;
  }
  const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      error = "cannot write " + temporary;
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    error = "cannot replace " + path + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}
