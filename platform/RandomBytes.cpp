#include "platform/RandomBytes.h"

#include <sys/random.h>

#include <cerrno>

namespace platform {

bool FillRandomBytes(unsigned char* out, std::size_t length) {
  std::size_t filled = 0;
  while (filled < length) {
    const ssize_t got = ::getrandom(out + filled, length - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    filled += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace platform
