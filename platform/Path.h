// Paths: the program speaks in narrow ANSI and UTF-16 paths, the OS in UTF-8.
// Scripts written for the desktop may use `\`; it is turned into `/` before
// any path reaches the OS.
#ifndef VELMORA_PLATFORM_PATH_H
#define VELMORA_PLATFORM_PATH_H

#include <string>
#include <string_view>

namespace platform {

inline constexpr char16_t kPathSeparator = u'/';
inline constexpr char kNarrowPathSeparator = '/';

// ANSI path -> UTF-16 -> UTF-8, with every `\` made `/`.
std::string NativePathFromAnsi(std::string_view ansiPath);
// UTF-16 path -> UTF-8, with every `\` made `/`.
std::string NativePathFromWide(std::u16string_view widePath);
// OS path (UTF-8) -> UTF-16.
std::u16string WidePathFromNative(std::string_view nativePath);

// Full path of the running executable, UTF-16; empty when it cannot be read.
std::u16string ModuleFileName();
// Tests may pretend the executable lives elsewhere; empty restores the real one.
void OverrideModuleFileNameForTesting(std::u16string path);

// Changes the working directory; false on failure.
bool SetCurrentDirectory(std::u16string_view widePath);

}  // namespace platform

#endif
