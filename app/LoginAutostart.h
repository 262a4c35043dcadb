// "Open at login": an XDG autostart entry, $XDG_CONFIG_HOME/autostart/
// velmora.desktop, that desktops read at login. Scripts reach it through
// the desktop_* script functions (DesktopScriptLibrary.h) and the command
// line through `velmora --open-at-login` / `--no-open-at-login`.
#ifndef VELMORA_APP_LOGINAUTOSTART_H
#define VELMORA_APP_LOGINAUTOSTART_H

#include <string>

#include "app/UserFolders.h"

std::string AutostartEntryPath(const UserFolders& folders);

// The entry that starts `program` (absolute path); empty when the path
// cannot be written in an entry (line breaks).
std::string AutostartEntryText(const std::string& program);

// Writes the entry (on) or removes it (off); false with `error` set on failure.
bool SetOpenAtLogin(bool on, const std::string& program, const UserFolders& folders, std::string& error);

// True when the entry exists and the desktop has not switched it off.
bool IsOpenAtLogin(const UserFolders& folders);

#endif
