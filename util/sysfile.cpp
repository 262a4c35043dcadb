#include "util/sysfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "base/ReportError.h"
#include "platform/ErrorText.h"
#include "platform/FileIo.h"
#include "platform/Files.h"
#include "platform/Path.h"

namespace {

constexpr const char* kStem = "sysfile";
constexpr size_t kWritePiece = 10240;

std::string Native(const char* path) { return platform::NativePathFromAnsi(path); }

bool WriteInPieces(std::FILE* file, const char* data, size_t length) {
  for (size_t written = 0; data && written < length;) {
    size_t piece = std::min(kWritePiece, length - written);
    size_t n = platform::WriteFile(file, data + written, piece);
    written += n;
    if (n != piece) return false;
  }
  return true;
}

}  // namespace

int GetPathKind(const char* path) {
  if (!path) return 0;
  switch (platform::PathKindOf(Native(path))) {
    case platform::PathKind::Missing: return 0;
    case platform::PathKind::Directory: return 1;
    case platform::PathKind::Other: return -1;
  }
  return 0;
}

int IsDirectory(const char* path) { return GetPathKind(path) == 1 ? 1 : 0; }

int CreateDirectoryPath(const char* path) {
  if (!path) return 0;
  std::string native = Native(path);
  if (native.empty()) return 0;
  if (int failure = platform::MakeDirectories(native)) {
    ReportErrorText(kStem, __LINE__,
                    "create directory failed: " + std::string(path) + ": " + platform::ErrorText(failure));
    return -1;
  }
  return 1;
}

int DeleteFilePath(const char* path) {
  if (!path) return 0;
  return platform::RemoveFile(Native(path)) == 0 ? 1 : 0;
}

std::u16string GetModuleDirectory() {
  std::u16string module = platform::ModuleFileName();
  size_t cut = module.find_last_of(u"/\\");
  if (cut == std::u16string::npos) return {};
  module.resize(cut);
  return module;
}

size_t WriteFileWithBom(const char* path, const char* data, size_t length) {
  std::FILE* file = path ? platform::OpenFile(Native(path), "wb") : nullptr;
  if (!file) {
    int err = path ? platform::LastError() : EINVAL;
    ReportErrorText(kStem, __LINE__, platform::ErrorText(err) + " (" + std::to_string(err) + ")");
    return 0;
  }
  static const unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};
  bool ok = platform::WriteFile(file, kBom, 3) == 3 && WriteInPieces(file, data, length);
  ok = platform::CloseFile(file) && ok;
  return ok && length > 0 ? length : 0;
}
