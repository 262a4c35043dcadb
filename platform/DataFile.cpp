#include "platform/DataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/FileIo.h"

namespace platform {

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
  return WriteAllAt(fd_, offset, data, size);
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

}  // namespace platform
