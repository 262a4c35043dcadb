// Files and directories by ANSI path, the narrow form every caller holds.
// One place maps errno to text, for the diagnostic reports.
#ifndef VELMORA_PLATFORM_FILESYSTEM_H
#define VELMORA_PLATFORM_FILESYSTEM_H

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class PathKind { Missing, Directory, Other };

PathKind GetPathKindAnsi(std::string_view ansiPath);
PathKind GetPathKindWide(std::u16string_view widePath);

// Creates one directory (not its parents); true on success.
bool CreateOneDirectoryWide(std::u16string_view widePath);

// Size of a regular file, nullopt when it cannot be read.
std::optional<uint64_t> FileSizeWide(std::u16string_view widePath);

// Removes a file (not a directory); true on success.
bool DeleteFileWide(std::u16string_view widePath);

// fopen for an ANSI path; nullptr with errno set on failure.
std::FILE* OpenFileAnsi(std::string_view ansiPath, const char* mode);

// Moves a file over another atomically where the OS can; true on success.
bool RenameFileAnsi(std::string_view fromAnsi, std::string_view toAnsi);

// The C library's text for an error number.
std::string ErrorText(int errorNumber);

}  // namespace platform

#endif
