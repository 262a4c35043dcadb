#include "util/sysfile.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "base/CodePageText.h"
#include "base/ReportError.h"
#include "platform/FileIo.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

constexpr const char* kStem = "sysfile";
constexpr size_t kWritePiece = 10240;

bool IsSeparator(char16_t c) { return c == platform::kPathSeparator || c == u'\\'; }

// The filesystem root needs no creating; every other prefix may.
bool IsRootPrefix(const std::u16string& prefix) {
  for (char16_t c : prefix)
    if (!IsSeparator(c)) return false;
  return true;
}

bool EnsureDirectory(const std::u16string& path) {
  if (platform::GetPathKindWide(path) == platform::PathKind::Directory) return true;
  return platform::CreateOneDirectoryWide(path) ||
         platform::GetPathKindWide(path) == platform::PathKind::Directory;
}

}  // namespace

int GetPathKind(const char* path) {
  if (!path) return 0;
  switch (platform::GetPathKindAnsi(path)) {
    case platform::PathKind::Missing: return 0;
    case platform::PathKind::Directory: return 1;
    case platform::PathKind::Other: return -1;
  }
  return 0;
}

int IsDirectory(const char* path) { return GetPathKind(path) == 1 ? 1 : 0; }

int CreateDirectoryPath(const char* path) {
  if (!path) return 0;
  std::u16string wide = AnsiToUtf16(path);
  if (wide.empty()) return 0;
  for (size_t i = 0; i < wide.size(); ++i) {
    if (!IsSeparator(wide[i])) continue;
    std::u16string prefix = wide.substr(0, i + 1);
    if (IsRootPrefix(prefix)) continue;
    if (platform::GetPathKindWide(prefix) == platform::PathKind::Directory) continue;
    // An existing file in the way makes mkdir fail, which stops the walk.
    if (!platform::CreateOneDirectoryWide(prefix)) {
      ReportErrorText(kStem, __LINE__, "create directory failed: " + Utf16ToAnsi(prefix));
      return -1;
    }
  }
  if (EnsureDirectory(wide)) return 1;
  ReportErrorText(kStem, __LINE__, "create directory failed: " + std::string(path));
  return -1;
}

uint32_t GetFileSize32(const char* path) {
  if (!path) return 0;
  auto size = platform::FileSizeWide(AnsiToUtf16(path));
  return size ? static_cast<uint32_t>(*size & 0xFFFFFFFFu) : 0;
}

int DeleteFilePath(const char* path) {
  if (!path) return 0;
  return platform::DeleteFileWide(AnsiToUtf16(path)) ? 1 : 0;
}

std::u16string GetModuleDirectory() {
  std::u16string module = platform::ModuleFileName();
  size_t cut = module.find_last_of(u"/\\");
  if (cut == std::u16string::npos) return {};
  module.resize(cut);
  return module;
}

size_t WriteFileWithBom(const char* path, const char* data, size_t length) {
  std::FILE* file = path ? platform::OpenFileAnsi(path, "wb") : nullptr;
  if (!file) {
    int err = path ? platform::LastError() : EINVAL;
    ReportErrorText(kStem, __LINE__, platform::ErrorText(err) + " (" + std::to_string(err) + ")");
    return 0;
  }
  static const unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};
  bool ok = platform::WriteFile(file, kBom, 3) == 3;
  size_t written = 0;
  while (ok && data && written < length) {
    size_t piece = std::min(kWritePiece, length - written);
    size_t n = platform::WriteFile(file, data + written, piece);
    written += n;
    ok = n == piece;
  }
  ok = platform::CloseFile(file) && ok;
  return ok && length > 0 && written == length ? length : 0;
}

std::string TrimText(const std::string& text) {
  static constexpr const char* kBlanks = " \t\n\r";
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string FormatInt64(int64_t value) {
  char buffer[22] = {};
  std::snprintf(buffer, sizeof buffer, "%" PRId64, value);
  return buffer;
}

std::string ToLowerCopy(const char* text) {
  if (!text) return {};
  std::string out(text);
  for (char& c : out) {
    auto byte = static_cast<unsigned char>(c);
    // The "C" locale's rule, whatever locale the process runs in.
    if (byte >= 'A' && byte <= 'Z') c = static_cast<char>(byte + ('a' - 'A'));
  }
  return out;
}
