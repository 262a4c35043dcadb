// The registry of the desktop the product was written for, kept here as a
// UTF-8 text file: one section per key path in brackets
// ("[HKEY_LOCAL_MACHINE\Software\KOVAPT\KOVA_PC]") and "name=value" lines.
// Key paths and value names compare without regard to ASCII case, as the
// registry's do; a value named twice takes its last line. Lines starting
// with ';' or '#' are comments.
//
// The file is the one VELMORA_REGISTRY names, else
// registry.ini in the user's Velmora settings folder (UserConfigFolder).
// An installer (scripts/run.sh plays one) writes it; the program only reads.
// Safe from any thread.
#ifndef VELMORA_PLATFORM_REGISTRYSTORE_H
#define VELMORA_PLATFORM_REGISTRYSTORE_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Files above this size are not registries; they are refused unread.
inline constexpr std::size_t kRegistryFileLimit = 1024 * 1024;

// The store's file (UTF-8 path); empty when neither the variables nor a home
// directory name one.
std::string RegistryFilePath();

// The value in the store's file; nothing when the file, the key or the value
// is missing, or the file cannot be read or is too large.
std::optional<std::u16string> ReadRegistryValue(std::u16string_view keyPath, std::u16string_view name);

// The same lookup in registry text already read.
std::optional<std::u16string> FindRegistryValue(std::string_view iniText, std::u16string_view keyPath,
                                                std::u16string_view name);

}  // namespace platform

#endif
