#include "platform/Path.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "platform/CodePage.h"
#include "platform/Utf8Codec.h"

namespace platform {
namespace {

std::mutex& OverrideMutex() {
  static std::mutex m;
  return m;
}
std::u16string& ModuleOverride() {
  static std::u16string path;
  return path;
}

}  // namespace

std::string NativePathFromWide(std::u16string_view widePath) {
  std::string out;
  AppendUtf16AsUtf8(widePath, out);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string NativePathFromAnsi(std::string_view ansiPath) {
  auto wide = DecodeToUtf16(kCpAcp, ansiPath);
  return wide ? NativePathFromWide(*wide) : std::string();
}

std::u16string WidePathFromNative(std::string_view nativePath) {
  std::u16string out;
  AppendUtf8AsUtf16(nativePath, out);
  return out;
}

std::u16string ModuleFileName() {
  {
    std::lock_guard lock(OverrideMutex());
    if (!ModuleOverride().empty()) return ModuleOverride();
  }
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<size_t>(n));
  return WidePathFromNative(buffer);
}

void OverrideModuleFileNameForTesting(std::u16string path) {
  std::lock_guard lock(OverrideMutex());
  ModuleOverride() = std::move(path);
}

bool SetCurrentDirectory(std::u16string_view widePath) {
  return chdir(NativePathFromWide(widePath).c_str()) == 0;
}

}  // namespace platform
