#include "platform/DataFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

namespace platform {
namespace {

std::atomic<int> faultError{0};
std::atomic<int64_t> faultBudget{0};

// How many of `size` bytes may be written before the injected fault; -1
// when the fault strikes now.
int64_t AllowedByFault(size_t size) {
  if (faultError.load() == 0) return static_cast<int64_t>(size);
  int64_t budget = faultBudget.load();
  if (budget <= 0) return -1;
  int64_t allowed = std::min<int64_t>(budget, static_cast<int64_t>(size));
  faultBudget -= allowed;
  return allowed;
}

int WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

int WriteAllAt(int fd, int64_t offset, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    offset += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

DataFile::~DataFile() { Close(); }

DataFile::DataFile(DataFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

DataFile& DataFile::operator=(DataFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

int DataFile::Open(const std::string& nativePath) {
  Close();
  fd_ = open(nativePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return errno;
  struct stat st{};
  if (fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
    Close();
    return EISDIR;
  }
  return 0;
}

void DataFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

int DataFile::WriteAt(int64_t offset, const char* data, size_t size) {
  if (fd_ < 0) return EBADF;
  int64_t allowed = AllowedByFault(size);
  if (allowed < 0) return faultError.load();
  if (int error = WriteAllAt(fd_, offset, data, static_cast<size_t>(allowed))) return error;
  return static_cast<size_t>(allowed) == size ? 0 : faultError.load();
}

int DataFile::Allocate(int64_t size) {
  if (fd_ < 0) return EBADF;
  int error = posix_fallocate(fd_, 0, size);
  // Some file systems (and some network ones) cannot reserve; a sparse
  // file still takes ranges in any order.
  if (error == EOPNOTSUPP || error == EINVAL) error = Size() < size && ftruncate(fd_, size) != 0 ? errno : 0;
  return error;
}

int DataFile::Truncate(int64_t size) {
  if (fd_ < 0) return EBADF;
  // Only when the size changes: some file systems take a truncation to 0
  // as "this file is being replaced" and flush it on close.
  return Size() != size && ftruncate(fd_, size) != 0 ? errno : 0;
}

int DataFile::Sync() {
  if (fd_ < 0) return EBADF;
  return fdatasync(fd_) == 0 ? 0 : errno;
}

int64_t DataFile::Size() const {
  struct stat st{};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

int WriteFileAtomically(const std::string& nativePath, std::string_view bytes) {
  std::string temporary = nativePath + ".tmp";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes.data(), bytes.size());
  if (!error && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temporary.c_str(), nativePath.c_str()) != 0) error = errno;
  if (error) unlink(temporary.c_str());
  // The directory is not flushed: if the rename is lost in a crash, the
  // old content stays, whole, which is all the callers rely on.
  return error;
}

int ReadSmallFile(const std::string& nativePath, size_t maxBytes, std::string& out) {
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  out.clear();
  char buffer[4096];
  int error = 0;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    if (out.size() + static_cast<size_t>(n) > maxBytes) {
      error = EFBIG;
      break;
    }
    out.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return error;
}

std::optional<int64_t> FreeDiskBytes(const std::string& nativePath) {
  struct statvfs info{};
  if (statvfs(nativePath.c_str(), &info) != 0) return std::nullopt;
  return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

bool NativeFileExists(const std::string& nativePath) {
  struct stat st{};
  return lstat(nativePath.c_str(), &st) == 0;
}

bool NativeDirectoryExists(const std::string& nativePath) {
  struct stat st{};
  return stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t NativeFileSize(const std::string& nativePath) {
  struct stat st{};
  if (stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

int RemoveNativeFile(const std::string& nativePath) { return unlink(nativePath.c_str()) == 0 ? 0 : errno; }

int RenameNative(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int MoveNativeNoReplace(const std::string& from, const std::string& to) {
  int error = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
  if (error == EINVAL || error == ENOSYS) {
    // File systems without that flag: a hard link cannot replace either.
    error = link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (!error) unlink(from.c_str());
    // Nor hard links (FAT and the like): look, then rename.
    if (error == EPERM || error == ENOTSUP) {
      struct stat st{};
      if (lstat(to.c_str(), &st) == 0) return EEXIST;
      error = rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
  }
  return error;
}

void SetWriteFaultForTesting(int64_t bytesAllowed, int errorNumber) {
  faultBudget = bytesAllowed;
  faultError = errorNumber;
}

}  // namespace platform
