#include "platform/RegistryStore.h"

#include <cstdlib>

#include "platform/Files.h"
#include "platform/UserConfigFolder.h"
#include "platform/Utf8Codec.h"

namespace platform {
namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t FoldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

std::u16string Wide(std::string_view utf8) {
  std::u16string wide;
  AppendUtf8AsUtf16(utf8, wide);  // a malformed byte becomes U+FFFD and then matches nothing
  return wide;
}

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

std::string RegistryFilePath() {
  if (std::string path = EnvValue("VELMORA_REGISTRY"); !path.empty()) return path;
  const std::string folder = UserConfigFolder();
  return folder.empty() ? std::string() : folder + "/registry.ini";
}

std::optional<std::u16string> FindRegistryValue(std::string_view iniText, std::u16string_view keyPath,
                                                std::u16string_view name) {
  if (iniText.substr(0, 3) == "\xEF\xBB\xBF") iniText.remove_prefix(3);
  std::optional<std::u16string> found;
  bool inKey = false;
  while (!iniText.empty()) {
    const std::size_t end = iniText.find('\n');
    const std::string_view line = Trim(iniText.substr(0, end));
    iniText.remove_prefix(end == std::string_view::npos ? iniText.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      inKey = line.back() == ']' && SameName(Wide(Trim(line.substr(1, line.size() - 2))), keyPath);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inKey || equals == std::string_view::npos) continue;
    if (SameName(Wide(Trim(line.substr(0, equals))), name)) found = Wide(Trim(line.substr(equals + 1)));
  }
  return found;
}

std::optional<std::u16string> ReadRegistryValue(std::u16string_view keyPath, std::u16string_view name) {
  const std::string path = RegistryFilePath();
  if (path.empty()) return std::nullopt;
  std::string text;
  if (ReadSmallFile(path, kRegistryFileLimit, text) != 0) return std::nullopt;
  return FindRegistryValue(text, keyPath, name);
}

}  // namespace platform
