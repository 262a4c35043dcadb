#include "platform/DirectoryFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ErrorText.h"
#include "platform/FileIo.h"
#include "platform/Files.h"

namespace platform {

namespace {

constexpr mode_t kDirMode = 0777;   // less the user's umask
constexpr mode_t kFileMode = 0666;  // likewise

UniqueFd Failed(std::string& error) {
  error = ErrorText(errno);
  return UniqueFd();
}

}  // namespace

UniqueFd::~UniqueFd() {
  if (fd_ >= 0) close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

int UniqueFd::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

UniqueFd OpenFolder(const std::string& path, bool create, bool& created, std::string& error) {
  created = false;
  if (path.empty()) {
    errno = ENOENT;
    return Failed(error);
  }
  if (create) {
    int failure = MakeDirectory(path);
    created = failure == 0;
    if (failure == ENOENT) {
      failure = MakeDirectories(path);
      created = failure == 0;
    }
    if (failure && failure != EEXIST) {
      error = ErrorText(failure);
      return UniqueFd();
    }
  }
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd >= 0 ? UniqueFd(fd) : Failed(error);
}

EntryKind KindAt(int dir, const std::string& name) {
  struct stat st;
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Missing;
  if (S_ISDIR(st.st_mode)) return EntryKind::Directory;
  return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
}

UniqueFd OpenDirectoryAt(int dir, const std::string& name, bool create, bool& created, std::string& error) {
  created = false;
  if (create) {
    if (mkdirat(dir, name.c_str(), kDirMode) == 0)
      created = true;
    else if (errno != EEXIST)
      return Failed(error);
  }
  const int fd = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  return fd >= 0 ? UniqueFd(fd) : Failed(error);
}

UniqueFd CreateFileAt(int dir, const std::string& name, std::string& error) {
  const int fd = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
  return fd >= 0 ? UniqueFd(fd) : Failed(error);
}

bool WriteAll(int fd, const void* data, std::size_t size, std::string& error) {
  const int failure = WriteAllAt(fd, kAtFilePosition, data, size);
  if (failure) error = ErrorText(failure);
  return failure == 0;
}

bool RenameAt(int dir, const std::string& from, const std::string& to, std::string& error) {
  const int failure = CurrentFileIo().RenameAt(dir, from, to);
  if (failure) error = ErrorText(failure);
  return failure == 0;
}

bool RemoveAt(int dir, const std::string& name, bool directory) {
  return CurrentFileIo().RemoveAt(dir, name, directory) == 0;
}

bool RemoveEmptyFolder(const std::string& path) {
  return !path.empty() && CurrentFileIo().RemoveAt(kWorkingDirectory, path, true) == 0;
}

}  // namespace platform
