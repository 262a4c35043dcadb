#include "archive/ZipEntryName.h"

#include "platform/CodePage.h"
#include "platform/Utf8Codec.h"

namespace archive {

namespace {

constexpr std::size_t kMaxComponentBytes = 255;

bool IsAscii(std::string_view bytes) {
  for (unsigned char c : bytes)
    if (c >= 0x80) return false;
  return true;
}

std::string Utf8FromGbk(std::string_view bytes) {
  const auto wide = platform::DecodeToUtf16(platform::kCpGbk, bytes);
  if (!wide) return std::string(bytes);
  std::string utf8;
  platform::AppendUtf16AsUtf8(*wide, utf8);
  return utf8;
}

bool IsDriveName(std::string_view name) {
  return name.size() >= 2 && name[1] == ':' &&
         ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

bool Refuse(std::string_view name, const char* why, std::string& error) {
  error = "unsafe entry name '" + std::string(name) + "': " + why;
  return false;
}

}  // namespace

std::string DecodeEntryName(std::string_view raw, bool flaggedUtf8) {
  if (IsAscii(raw) || platform::IsWellFormedUtf8(raw)) return std::string(raw);
  if (!flaggedUtf8) return Utf8FromGbk(raw);
  // Flagged but broken: each bad byte becomes U+FFFD.
  std::u16string wide;
  platform::AppendUtf8AsUtf16(raw, wide);
  std::string utf8;
  platform::AppendUtf16AsUtf8(wide, utf8);
  return utf8;
}

bool ParseEntryPath(std::string_view name, EntryPath& out, std::string& error) {
  out = EntryPath{};
  if (name.empty()) return Refuse(name, "empty", error);
  if (name.find('\0') != std::string_view::npos) return Refuse(name, "holds a NUL", error);
  if (name[0] == '/' || name[0] == '\\' || IsDriveName(name)) return Refuse(name, "absolute", error);
  out.directory = name.back() == '/' || name.back() == '\\';
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return Refuse(name, "climbs out with '..'", error);
    if (part.size() > kMaxComponentBytes) return Refuse(name, "a part is longer than 255 bytes", error);
    if (IsDriveName(part)) return Refuse(name, "names a drive", error);
    out.components.emplace_back(part);
  }
  if (out.components.empty()) return Refuse(name, "names no file", error);
  return true;
}

std::string JoinPath(const std::vector<std::string>& components) {
  std::string path;
  for (const std::string& c : components) {
    if (!path.empty()) path += '/';
    path += c;
  }
  return path;
}

}  // namespace archive
