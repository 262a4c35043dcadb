#include "app/LoginAutostart.h"

#include <cerrno>
#include <fstream>

#include "platform/ErrorText.h"
#include "platform/Files.h"

namespace {

// An argument of an Exec key: quoted when it holds a reserved character,
// with the quoting's and then the value's escapes, and % doubled.
std::string ExecArgument(const std::string& argument) {
  static const std::string kReserved = " \t\"'\\><~|&;$*?#()`";
  std::string quoted;
  const bool quote = argument.find_first_of(kReserved) != std::string::npos;
  for (char c : argument) {
    if (c == '%') {
      quoted += "%%";
    } else if (quote && (c == '"' || c == '`' || c == '$')) {
      quoted += '\\';
      quoted += c;
    } else if (quote && c == '\\') {
      quoted += "\\\\\\\\";  // escaped for the quoting, then for the value
    } else {
      quoted += c;
    }
  }
  return quote ? "\"" + quoted + "\"" : quoted;
}

}  // namespace

std::string AutostartEntryPath(const UserFolders& folders) {
  return folders.configHome.empty() ? std::string() : folders.configHome + "/autostart/velmora.desktop";
}

std::string AutostartEntryText(const std::string& program) {
  if (program.empty() || program.find_first_of("\r\n") != std::string::npos) return {};
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Velmora\n"
         "Comment=Start the Velmora download center at login\n"
         "Exec=" + ExecArgument(program) + "\n"
         "Icon=velmora\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool SetOpenAtLogin(bool on, const std::string& program, const UserFolders& folders, std::string& error) {
  const std::string path = AutostartEntryPath(folders);
  if (path.empty()) {
    error = "the configuration folder is unknown";
    return false;
  }
  if (!on) {
    // An entry already gone is what was asked for.
    const int failure = platform::RemoveFile(path);
    if (failure && failure != ENOENT) error = "cannot remove " + path + ": " + platform::ErrorText(failure);
    return !failure || failure == ENOENT;
  }
  const std::string text = AutostartEntryText(program);
  if (text.empty()) {
    error = "the program path cannot go into an autostart entry";
    return false;
  }
  return ReplaceFileText(path, text, error);
}

bool IsOpenAtLogin(const UserFolders& folders) {
  std::ifstream in(AutostartEntryPath(folders));
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
  }
  return true;
}
