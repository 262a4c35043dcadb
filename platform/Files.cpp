#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileIo.h"

namespace platform {
namespace {

// A NUL would cut the name short at the OS and reach another file.
bool Usable(const std::string& nativePath) {
  return !nativePath.empty() && nativePath.find('\0') == std::string::npos;
}

int UnusableError(const std::string& nativePath) { return nativePath.empty() ? ENOENT : EINVAL; }

int WriteAndSync(int fd, std::string_view bytes) {
  if (int error = WriteAllAt(fd, kAtFilePosition, bytes.data(), bytes.size())) return error;
  return fsync(fd) == 0 ? 0 : errno;
}

int ReadAll(int fd, size_t maxBytes, std::string& out) {
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    if (out.size() + static_cast<size_t>(n) > maxBytes) return EFBIG;
    out.append(buffer, static_cast<size_t>(n));
  }
}

// One step of a folder path: there at the end, made now or before.
int EnsureDirectory(const std::string& nativePath) {
  const int error = MakeDirectory(nativePath);
  if (!error || PathKindOf(nativePath) == PathKind::Directory) return 0;
  return error == EEXIST ? ENOTDIR : error;
}

// File systems without RENAME_NOREPLACE: a hard link cannot replace either;
// where there are no hard links (FAT and the like), look, then rename.
int MoveByLink(const std::string& from, const std::string& to) {
  int error = link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  if (!error) {
    // The file is published under its new name; a leftover old name is
    // only clutter.
    RemoveFile(from);
    return 0;
  }
  if (error != EPERM && error != ENOTSUP) return error;
  if (PathExists(to)) return EEXIST;
  return RenameFile(from, to);
}

}  // namespace

PathKind PathKindOf(const std::string& nativePath) {
  struct stat st {};
  if (!Usable(nativePath) || stat(nativePath.c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::Other;
}

bool PathExists(const std::string& nativePath) {
  struct stat st {};
  return Usable(nativePath) && lstat(nativePath.c_str(), &st) == 0;
}

std::optional<uint64_t> FileSize(const std::string& nativePath) {
  struct stat st {};
  if (!Usable(nativePath) || stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

int MakeDirectory(const std::string& nativePath) {
  if (!Usable(nativePath)) return UnusableError(nativePath);
  return mkdir(nativePath.c_str(), 0777) == 0 ? 0 : errno;
}

int MakeDirectories(const std::string& nativePath) {
  if (!Usable(nativePath)) return UnusableError(nativePath);
  for (size_t slash = nativePath.find('/', 1); slash != std::string::npos; slash = nativePath.find('/', slash + 1)) {
    if (nativePath[slash - 1] == '/') continue;
    if (int error = EnsureDirectory(nativePath.substr(0, slash))) return error;
  }
  return EnsureDirectory(nativePath);
}

int RemoveFile(const std::string& nativePath) {
  if (!Usable(nativePath)) return UnusableError(nativePath);
  return CurrentFileIo().RemoveAt(kWorkingDirectory, nativePath, false);
}

int RenameFile(const std::string& from, const std::string& to) {
  if (!Usable(from) || !Usable(to)) return UnusableError(Usable(from) ? to : from);
  return CurrentFileIo().RenameAt(kWorkingDirectory, from, to);
}

int MoveFileNoReplace(const std::string& from, const std::string& to) {
  if (!Usable(from) || !Usable(to)) return UnusableError(Usable(from) ? to : from);
  int error = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
  return error == EINVAL || error == ENOSYS ? MoveByLink(from, to) : error;
}

int WriteFileAtomically(const std::string& nativePath, std::string_view bytes) {
  if (!Usable(nativePath)) return UnusableError(nativePath);
  std::string temporary = nativePath + ".tmp";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = WriteAndSync(fd, bytes);
  if (close(fd) != 0 && !error) error = errno;
  if (!error) error = RenameFile(temporary, nativePath);
  if (error) RemoveFile(temporary);
  // The directory is not flushed: if the rename is lost in a crash, the
  // old content stays, whole, which is all the callers rely on.
  return error;
}

int ReadSmallFile(const std::string& nativePath, size_t maxBytes, std::string& out) {
  out.clear();
  if (!Usable(nativePath)) return UnusableError(nativePath);
  int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ReadAll(fd, maxBytes, out);
  close(fd);
  return error;
}

int FolderEntryNames(const std::string& nativePath, std::vector<std::string>& names) {
  names.clear();
  if (!Usable(nativePath)) return UnusableError(nativePath);
  DIR* folder = opendir(nativePath.c_str());
  if (!folder) return errno;
  errno = 0;
  while (dirent* entry = readdir(folder)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
    errno = 0;
  }
  const int error = errno;
  closedir(folder);
  return error;
}

}  // namespace platform
