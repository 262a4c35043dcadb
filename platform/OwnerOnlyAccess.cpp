#include "platform/OwnerOnlyAccess.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/ErrorText.h"

namespace platform {

bool MakeOwnerOnly(const std::string& nativePath, std::string& error) {
  if (chmod(nativePath.c_str(), S_IRWXU) == 0) return true;
  error = ErrorText(errno);
  return false;
}

}  // namespace platform
