// A file that holds transfer data, open by native (UTF-8) path: an owned
// descriptor with positioned writes, space reservation and explicit
// flushing. Writes go through the file table (FileIo.h), so a test's
// failing disk sees them. Failures come back as errno values.
#ifndef VELMORA_PLATFORM_DATAFILE_H
#define VELMORA_PLATFORM_DATAFILE_H

#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace platform

#endif
