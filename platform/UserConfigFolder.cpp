#include "platform/UserConfigFolder.h"

#include <cstdlib>

namespace platform {

std::string UserConfigFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
    return std::string(config) + "/velmora";
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/velmora";
  return {};
}

}  // namespace platform
