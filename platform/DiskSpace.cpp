#include "platform/DiskSpace.h"

#include <sys/statvfs.h>

#include <cerrno>

#include "platform/ErrorText.h"

namespace platform {

namespace {

// "a/b/c" -> "a/b"; "/a" -> "/"; "a" -> ".".
std::string ParentOf(const std::string& path) {
  std::string::size_type end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const std::string::size_type slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool QueryDiskSpace(const std::string& nativePath, DiskSpace& out, std::string& error) {
  if (nativePath.empty()) {
    error = ErrorText(ENOENT);
    return false;
  }
  std::string path = nativePath;
  struct statvfs fs;
  while (statvfs(path.c_str(), &fs) != 0) {
    const int failure = errno;
    std::string parent = ParentOf(path);
    // Only a missing component sends us upwards; a denied or broken path
    // is answered as it is.
    if ((failure != ENOENT && failure != ENOTDIR) || parent == path) {
      error = ErrorText(failure);
      return false;
    }
    path = std::move(parent);
  }
  const auto unit = static_cast<std::uint64_t>(fs.f_frsize ? fs.f_frsize : fs.f_bsize);
  out.available = static_cast<std::uint64_t>(fs.f_bavail) * unit;
  out.free = static_cast<std::uint64_t>(fs.f_bfree) * unit;
  out.total = static_cast<std::uint64_t>(fs.f_blocks) * unit;
  return true;
}

}  // namespace platform
