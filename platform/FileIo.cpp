#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {
namespace {

FileIo& DefaultFileIo() {
  static FileIo io;
  return io;
}

std::atomic<FileIo*> installed{nullptr};

}  // namespace

const int kWorkingDirectory = AT_FDCWD;

std::FILE* FileIo::Open(const std::string& nativePath, const char* mode) {
  return std::fopen(nativePath.c_str(), mode);
}

size_t FileIo::Read(std::FILE* file, void* buffer, size_t size) { return std::fread(buffer, 1, size, file); }

size_t FileIo::Write(std::FILE* file, const void* data, size_t size) { return std::fwrite(data, 1, size, file); }

int FileIo::Close(std::FILE* file) { return std::fclose(file); }

ssize_t FileIo::WriteAt(int fd, int64_t offset, const void* data, size_t size) {
  return offset == kAtFilePosition ? write(fd, data, size) : pwrite(fd, data, size, offset);
}

int FileIo::RenameAt(int dir, const std::string& from, const std::string& to) {
  return renameat(dir, from.c_str(), dir, to.c_str()) == 0 ? 0 : errno;
}

int FileIo::RemoveAt(int dir, const std::string& name, bool directory) {
  return unlinkat(dir, name.c_str(), directory ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
}

FileIo& CurrentFileIo() {
  FileIo* io = installed.load(std::memory_order_acquire);
  return io ? *io : DefaultFileIo();
}

FileIo* SetFileIo(FileIo* io) {
  FileIo* previous = installed.exchange(io, std::memory_order_acq_rel);
  return previous ? previous : &DefaultFileIo();
}

std::FILE* OpenFile(const std::string& nativePath, const char* mode) {
  // A NUL would cut the name short at the OS and open another file.
  if (nativePath.empty() || nativePath.find('\0') != std::string::npos) {
    errno = nativePath.empty() ? ENOENT : EINVAL;
    return nullptr;
  }
  return CurrentFileIo().Open(nativePath, mode);
}

size_t ReadFile(std::FILE* file, void* buffer, size_t size) { return CurrentFileIo().Read(file, buffer, size); }

size_t WriteFile(std::FILE* file, const void* data, size_t size) {
  return CurrentFileIo().Write(file, data, size);
}

bool CloseFile(std::FILE* file) { return CurrentFileIo().Close(file) == 0; }

bool StreamFailed(std::FILE* file) { return std::ferror(file) != 0; }

int StreamSize(std::FILE* file, int64_t& size) {
  size = -1;
  struct stat info {};
  if (fstat(fileno(file), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (S_ISREG(info.st_mode)) size = info.st_size;
  return 0;
}

int WriteAllAt(int fd, int64_t offset, const void* data, size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = CurrentFileIo().WriteAt(fd, offset, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    bytes += n;
    size -= static_cast<size_t>(n);
    if (offset != kAtFilePosition) offset += n;
  }
  return 0;
}

int LastError() { return errno; }

void SetLastError(int errorNumber) { errno = errorNumber; }

}  // namespace platform
