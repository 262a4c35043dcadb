#include "lang/LanguageChoice.h"

#include <algorithm>
#include <cstdlib>

#include "base/AsciiText.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "platform/UserConfigFolder.h"

namespace lang {
namespace {

constexpr std::size_t kMaxCodeLength = 32;
// The choice file holds one short code; anything bigger is not ours.
constexpr std::size_t kMaxChoiceFileBytes = 256;
constexpr std::string_view kCatalogueSuffix = ".txt";

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// The one file in the configuration folder that holds the user's choice.
std::string ChoiceFileIn(const std::string& configFolder) { return configFolder + "/language"; }

bool IsCodeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool IsKnown(const std::string& folder, std::string_view code) {
  if (code == kDefaultLanguage) return true;
  return IsLanguageCode(code) && platform::PathKindOf(CatalogueFilePath(folder, code)) == platform::PathKind::Other;
}

}  // namespace

bool IsLanguageCode(std::string_view code) {
  return !code.empty() && code.size() <= kMaxCodeLength && std::all_of(code.begin(), code.end(), IsCodeChar);
}

std::string CatalogueFilePath(const std::string& folder, std::string_view code) {
  return folder + "/" + std::string(code) + std::string(kCatalogueSuffix);
}

std::vector<std::string> AvailableLanguages(const std::string& folder) {
  std::vector<std::string> names;
  platform::FolderEntryNames(folder, names);  // a missing folder leaves the default alone
  std::vector<std::string> codes{std::string(kDefaultLanguage)};
  for (const std::string& name : names) {
    if (!name.ends_with(kCatalogueSuffix)) continue;
    const std::string code = name.substr(0, name.size() - kCatalogueSuffix.size());
    if (code != kDefaultLanguage && IsKnown(folder, code)) codes.push_back(code);
  }
  std::sort(codes.begin(), codes.end());
  return codes;
}

std::string ChoiceFilePath() {
  const std::string folder = platform::UserConfigFolder();
  return folder.empty() ? std::string() : ChoiceFileIn(folder);
}

std::string StoredLanguage() {
  const std::string path = ChoiceFilePath();
  std::string bytes;
  if (path.empty() || platform::ReadSmallFile(path, kMaxChoiceFileBytes, bytes) != 0) return {};
  const std::size_t end = bytes.find('\n');
  return std::string(TrimSpaceTab(std::string_view(bytes).substr(0, end == std::string::npos ? bytes.size() : end)));
}

Failure StoreLanguage(std::string_view code) {
  if (!IsLanguageCode(code)) return {FailureCause::BadInput, "not a language code: " + std::string(code)};
  const std::string folder = platform::UserConfigFolder();
  if (folder.empty()) return {FailureCause::Disk, "no configuration folder (neither XDG_CONFIG_HOME nor HOME is set)"};
  if (int error = platform::MakeDirectories(folder))
    return {FailureCause::Disk, folder + ": " + platform::ErrorText(error)};
  const std::string path = ChoiceFileIn(folder);
  if (int error = platform::WriteFileAtomically(path, std::string(code) + "\n"))
    return {FailureCause::Disk, path + ": " + platform::ErrorText(error)};
  return {};
}

std::string ChooseLanguage(const std::string& folder) {
  std::string code = EnvValue("VELMORA_LANG");
  if (code.empty()) code = StoredLanguage();
  if (code.empty() || !IsKnown(folder, code)) return std::string(kDefaultLanguage);
  return code;
}

}  // namespace lang
