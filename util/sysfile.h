// File and directory helpers on narrow ANSI paths, over the platform's one
// file API. Paths reach the OS as ANSI -> UTF-16 -> UTF-8, with `\`
// accepted as a separator. Failures answer through the result and are
// reported with the stem "sysfile"; nothing throws. Safe from any thread.
#ifndef VELMORA_UTIL_SYSFILE_H
#define VELMORA_UTIL_SYSFILE_H

#include <cstddef>
#include <string>

// 0: null or missing; 1: directory; -1: exists and is not a directory.
int GetPathKind(const char* path);
// 1 when the path is an existing directory, else 0.
int IsDirectory(const char* path);
// Creates the directory and every missing parent. 1 when the directory exists
// at the end, -1 when a step failed, 0 for a null path.
int CreateDirectoryPath(const char* path);
// Non-zero when the file was deleted (never a directory).
int DeleteFilePath(const char* path);
// Directory of the running executable without a trailing separator.
std::u16string GetModuleDirectory();
// Writes EF BB BF and then `data`; returns `length` when every byte was
// written, else 0 (a zero length writes only the mark and returns 0).
size_t WriteFileWithBom(const char* path, const char* data, size_t length);

#endif
