// Bytes from the kernel's cryptographic random source, for secrets and
// identifiers nobody should guess.
#ifndef VELMORA_PLATFORM_RANDOMBYTES_H
#define VELMORA_PLATFORM_RANDOMBYTES_H

#include <cstddef>

namespace platform {

// Fills all `length` bytes, or answers false (and leaves no partial promise).
bool FillRandomBytes(unsigned char* out, std::size_t length);

}  // namespace platform

#endif
