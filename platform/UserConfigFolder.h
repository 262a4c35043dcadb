// The folder of the user's Velmora settings, by the desktop's base-directory
// rules: $XDG_CONFIG_HOME/velmora when that is an absolute path (a relative
// one is invalid by the rules and ignored), else $HOME/.config/velmora.
// Empty when neither names a folder. Reads the environment each call.
#ifndef VELMORA_PLATFORM_USERCONFIGFOLDER_H
#define VELMORA_PLATFORM_USERCONFIGFOLDER_H

#include <string>

namespace platform {

std::string UserConfigFolder();

}  // namespace platform

#endif
