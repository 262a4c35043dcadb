// The calls that reach files' contents and names, behind one replaceable
// table, so a test can put a failing disk under every file write of the
// program at once: streams (the XML files, downloads, the configuration),
// descriptors (part files, their records, extracted archive entries), and
// the renames and removals that publish or drop them.
//
// Stream calls leave the error number where LastError() finds it, as the C
// calls do; descriptor and name calls answer 0 or the error number.
#ifndef VELMORA_PLATFORM_FILEIO_H
#define VELMORA_PLATFORM_FILEIO_H

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace platform {

// Descriptor writes at the file's own position rather than an offset.
inline constexpr int64_t kAtFilePosition = -1;
// Names taken from the working directory rather than an open directory.
extern const int kWorkingDirectory;

// The default members call the system; a test derives and overrides the
// calls it wants to fail (setting errno where the call sets it), keeping
// the rest. Every member may be called from several threads at once.
class FileIo {
 public:
  virtual ~FileIo() = default;
  virtual std::FILE* Open(const std::string& nativePath, const char* mode);
  virtual size_t Read(std::FILE* file, void* buffer, size_t size);
  virtual size_t Write(std::FILE* file, const void* data, size_t size);
  virtual int Close(std::FILE* file);
  // One write(2) or pwrite(2): the bytes written, or -1 with errno set.
  virtual ssize_t WriteAt(int fd, int64_t offset, const void* data, size_t size);
  // Replaces `to` when it exists. 0 or errno.
  virtual int RenameAt(int dir, const std::string& from, const std::string& to);
  // A file, or an empty directory when `directory`. 0 or errno.
  virtual int RemoveAt(int dir, const std::string& name, bool directory);
};

// The table in use. SetFileIo installs `io` (null restores the default) and
// returns the one it replaces; the caller keeps `io` alive while installed.
// Swap tables only while no other thread is inside a file call.
FileIo& CurrentFileIo();
FileIo* SetFileIo(FileIo* io);

// Streams, by native (UTF-8) path. OpenFile gives null with errno set.
std::FILE* OpenFile(const std::string& nativePath, const char* mode);
size_t ReadFile(std::FILE* file, void* buffer, size_t size);
size_t WriteFile(std::FILE* file, const void* data, size_t size);
// Closes even when flushing fails; false then.
bool CloseFile(std::FILE* file);
// Whether a read or write of `file` failed (rather than met the end).
bool StreamFailed(std::FILE* file);
// The size of the open file into `size`, or -1 there for devices and pipes,
// which have none. 0 or errno (EISDIR for a directory).
int StreamSize(std::FILE* file, int64_t& size);

struct FileCloser {
  void operator()(std::FILE* file) const { CloseFile(file); }
};
// An open stream closed through the table when it goes out of scope.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Writes everything, retrying short writes, at `offset` (kAtFilePosition:
// where the file stands). A write that makes no progress is a full disk.
// 0 or errno.
int WriteAllAt(int fd, int64_t offset, const void* data, size_t size);

// The error number the last failed call of this thread left.
int LastError();
void SetLastError(int errorNumber);

}  // namespace platform

#endif
