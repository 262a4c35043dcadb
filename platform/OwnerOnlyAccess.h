// Folders that hold the user's history (tasks, cookies sent with them,
// settings) are readable by their owner alone, whatever the umask says.
#ifndef VELMORA_PLATFORM_OWNERONLYACCESS_H
#define VELMORA_PLATFORM_OWNERONLYACCESS_H

#include <string>

namespace platform {

// Gives the existing folder `nativePath` (UTF-8) the permissions rwx------.
// False with `error` set (the system's text) when it cannot.
bool MakeOwnerOnly(const std::string& nativePath, std::string& error);

}  // namespace platform

#endif
