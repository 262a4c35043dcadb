// Files that hold transfer data and their small records, by native (UTF-8)
// path: an owned descriptor with explicit flushing, atomic replacement of
// small files, free-space queries. Failures come back as errno values.
//
// Tests may make writes fail after a number of bytes (a full disk on
// demand) with SetWriteFaultForTesting; it applies process-wide to
// DataFile::WriteAt only.
#ifndef VELMORA_PLATFORM_DATAFILE_H
#define VELMORA_PLATFORM_DATAFILE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class DataFile {
 public:
  DataFile() = default;
  ~DataFile();
  DataFile(DataFile&& other) noexcept;
  DataFile& operator=(DataFile&& other) noexcept;
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  // Opens for reading and writing, creating the file when missing. 0 or errno.
  int Open(const std::string& nativePath);
  bool IsOpen() const { return fd_ >= 0; }
  void Close();

  // Writes everything at `offset` (a short write is retried until done or
  // failed), leaving the file offset alone; threads may write their own
  // ranges of one file at once. 0 or errno.
  int WriteAt(int64_t offset, const char* data, size_t size);
  // Gives the file `size` bytes with the space reserved on the device, so
  // ranges written in any order cannot run out of disk midway; where the
  // file system cannot reserve, the file is only extended. 0 or errno
  // (ENOSPC when the space is not there).
  int Allocate(int64_t size);
  // 0 or errno.
  int Truncate(int64_t size);
  // Data to the device (fdatasync). 0 or errno.
  int Sync();
  // Size in bytes, -1 on failure.
  int64_t Size() const;

 private:
  int fd_ = -1;
};

// Replaces `nativePath` with `bytes` so that a crash leaves the old or the
// new content, never a mix: temporary file beside it, flushed, renamed over.
// 0 or errno.
int WriteFileAtomically(const std::string& nativePath, std::string_view bytes);
// Whole file into `out` (up to `maxBytes`); 0 or errno (EFBIG when larger).
int ReadSmallFile(const std::string& nativePath, size_t maxBytes, std::string& out);

// Bytes free for an unprivileged writer in the file system holding the path.
std::optional<int64_t> FreeDiskBytes(const std::string& nativePath);
bool NativeFileExists(const std::string& nativePath);
bool NativeDirectoryExists(const std::string& nativePath);
// Size of a regular file, -1 when missing or not regular.
int64_t NativeFileSize(const std::string& nativePath);
// 0 or errno.
int RemoveNativeFile(const std::string& nativePath);
// Plain rename (same directory); 0 or errno.
int RenameNative(const std::string& from, const std::string& to);
// Links `from` to `to` only when `to` does not exist, then removes `from`:
// a finished file never replaces one that appeared meanwhile. 0 or errno
// (EEXIST when the target exists).
int MoveNativeNoReplace(const std::string& from, const std::string& to);

// Writes fail with `errorNumber` once `bytesAllowed` more bytes went through
// DataFile::Append; errorNumber 0 lifts the fault.
void SetWriteFaultForTesting(int64_t bytesAllowed, int errorNumber);

}  // namespace platform

#endif
