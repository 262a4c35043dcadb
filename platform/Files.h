// Files and folders by native (UTF-8) path: what a path names, sizes,
// making folders, renaming, removing, and the small whole files (records,
// configuration) that are read at once and replaced at once. Callers that
// hold ANSI or UTF-16 paths convert them with Path.h first.
//
// Every write, rename and removal goes through the file table (FileIo.h),
// so a failing disk a test installs sees them. Failures answer with the
// error number (0 for success); ErrorText.h turns it into words. Safe from
// any thread.
#ifndef VELMORA_PLATFORM_FILES_H
#define VELMORA_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class PathKind { Missing, Directory, Other };

// What the path names, following links (a dangling link is Missing).
PathKind PathKindOf(const std::string& nativePath);
// Whether anything has that name, a dangling link included: a name that is
// taken even though nothing can be opened through it.
bool PathExists(const std::string& nativePath);
// Size of a regular file; nothing when missing or not a regular file.
std::optional<uint64_t> FileSize(const std::string& nativePath);

// Makes one folder (not its parents). 0 or errno (EEXIST when anything has
// the name already).
int MakeDirectory(const std::string& nativePath);
// Makes the folder with every missing parent. 0 when it is there at the
// end, else the error of the step that failed (ENOTDIR for a file in the
// way); parents made before a failure stay.
int MakeDirectories(const std::string& nativePath);
// Removes a file, never a folder. 0 or errno.
int RemoveFile(const std::string& nativePath);
// Renames `from` over `to`, replacing a file there. 0 or errno.
int RenameFile(const std::string& from, const std::string& to);
// Renames only when `to` does not exist: a finished file never replaces one
// that appeared meanwhile. 0 or errno (EEXIST when the target exists).
int MoveFileNoReplace(const std::string& from, const std::string& to);

// Replaces `nativePath` with `bytes` so that a crash leaves the old or the
// new content, never a mix: temporary file beside it, flushed, renamed over.
// 0 or errno.
int WriteFileAtomically(const std::string& nativePath, std::string_view bytes);
// Whole file into `out` (up to `maxBytes`); 0 or errno (EFBIG when larger).
int ReadSmallFile(const std::string& nativePath, size_t maxBytes, std::string& out);
// The names in a folder (no "." or ".."), in no particular order, into
// `names`; 0 or errno.
int FolderEntryNames(const std::string& nativePath, std::vector<std::string>& names);

}  // namespace platform

#endif
