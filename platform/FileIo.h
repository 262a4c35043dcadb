// The C library's stream calls behind one replaceable table, so a test can
// put a failing disk under every file writer and reader at once. Failures
// leave the error number where LastError() finds it, as the C calls do.
#ifndef VELMORA_PLATFORM_FILEIO_H
#define VELMORA_PLATFORM_FILEIO_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace platform {

// The default members call the C library; a test derives and overrides the
// calls it wants to fail (setting errno), keeping the rest.
class FileIo {
 public:
  virtual ~FileIo() = default;
  virtual std::FILE* Open(const std::string& nativePath, const char* mode);
  virtual size_t Read(std::FILE* file, void* buffer, size_t size);
  virtual size_t Write(std::FILE* file, const void* data, size_t size);
  virtual int Close(std::FILE* file);
  virtual int Rename(const std::string& fromNative, const std::string& toNative);
  virtual int Remove(const std::string& nativePath);
};

// The table in use. SetFileIo installs `io` (null restores the default) and
// returns the one it replaces; the caller keeps `io` alive while installed.
// Swap tables only while no other thread is inside a file call.
FileIo& CurrentFileIo();
FileIo* SetFileIo(FileIo* io);

std::FILE* OpenFileNative(const std::string& nativePath, const char* mode);
size_t ReadFile(std::FILE* file, void* buffer, size_t size);
size_t WriteFile(std::FILE* file, const void* data, size_t size);
// Closes even when flushing fails; false then.
bool CloseFile(std::FILE* file);
bool RenameFileNative(const std::string& fromNative, const std::string& toNative);
bool RemoveFileNative(const std::string& nativePath);

struct FileCloser {
  void operator()(std::FILE* file) const { CloseFile(file); }
};
// An open stream closed through the table when it goes out of scope.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The error number the last failed call of this thread left.
int LastError();
void SetLastError(int errorNumber);

}  // namespace platform

#endif
