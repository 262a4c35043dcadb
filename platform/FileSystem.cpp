#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/FileIo.h"
#include "platform/Path.h"

namespace platform {
namespace {

PathKind KindOfNative(const std::string& native) {
  struct stat st;
  if (native.empty() || stat(native.c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::Other;
}

}  // namespace

PathKind GetPathKindAnsi(std::string_view ansiPath) { return KindOfNative(NativePathFromAnsi(ansiPath)); }

PathKind GetPathKindWide(std::u16string_view widePath) { return KindOfNative(NativePathFromWide(widePath)); }

bool CreateOneDirectoryWide(std::u16string_view widePath) {
  std::string native = NativePathFromWide(widePath);
  return !native.empty() && mkdir(native.c_str(), 0777) == 0;
}

std::optional<uint64_t> FileSizeWide(std::u16string_view widePath) {
  struct stat st;
  std::string native = NativePathFromWide(widePath);
  if (native.empty() || stat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

bool DeleteFileWide(std::u16string_view widePath) {
  std::string native = NativePathFromWide(widePath);
  struct stat st;
  if (native.empty() || lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return unlink(native.c_str()) == 0;
}

std::FILE* OpenFileAnsi(std::string_view ansiPath, const char* mode) {
  std::string native = NativePathFromAnsi(ansiPath);
  if (native.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return OpenFileNative(native, mode);
}

bool RenameFileAnsi(std::string_view fromAnsi, std::string_view toAnsi) {
  return RenameFileNative(NativePathFromAnsi(fromAnsi), NativePathFromAnsi(toAnsi));
}

std::string ErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  return text ? text : "";
}

}  // namespace platform
