// The user's home and configuration folders, where browsers look for
// native-messaging manifests and the desktop looks for autostart entries.
#ifndef VELMORA_APP_USERFOLDERS_H
#define VELMORA_APP_USERFOLDERS_H

#include <string>

struct UserFolders {
  std::string home;        // $HOME, else the password database's entry
  std::string configHome;  // $XDG_CONFIG_HOME when absolute, else home/.config
};

UserFolders UserFoldersFromEnvironment();

// Folder of the running executable; empty when it cannot be read.
std::string RunningProgramDirectory();

// Writes `text` to a temporary file beside `path` and renames it over
// `path`, creating the folders on the way; false with `error` set on failure.
bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error);

#endif
