// Command-line actions of `velmora` that set up the desktop and end at
// once, before any window: --register-browsers, --unregister-browsers,
// --open-at-login and --no-open-at-login. They print what they changed.
#ifndef VELMORA_APP_DESKTOPCOMMANDS_H
#define VELMORA_APP_DESKTOPCOMMANDS_H

#include <optional>

// The exit status when argv[1] is one of the actions; nullopt otherwise.
std::optional<int> RunDesktopCommand(int argc, char** argv);

#endif
