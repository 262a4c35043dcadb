#include "lang/Texts.h"

#include <mutex>
#include <vector>

#include "base/ReportError.h"
#include "lang/EmbeddedCatalogue.h"
#include "lang/LanguageChoice.h"
#include "lang/TextFormat.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Utf8Codec.h"

namespace lang {
namespace {

constexpr const char* kStem = "Texts";

std::mutex gMutex;
std::shared_ptr<const ActiveLanguage> gActive;

std::u16string Utf16(std::string_view utf8) {
  std::u16string out;
  platform::AppendUtf8AsUtf16(utf8, out);
  return out;
}

// A text must take the values its callers hand over, in their order. One
// that does not would fail, or show the wrong value, wherever it is used:
// the text beneath it stays, and the slip is reported with the file.
bool KeepsPlaceholders(const TextMap& below, const std::string& key, const std::string& text,
                       const std::string& source) {
  auto it = below.find(CountedKey(key));
  if (it == below.end()) return true;
  const std::string want = PlaceholderSequence(it->second), got = PlaceholderSequence(text);
  if (want == got) return true;
  ReportErrorText(kStem, __LINE__,
                  source + ": " + key + " skipped: it takes \"" + got + "\" where callers give \"" + want + "\"");
  return false;
}

// Later layers override earlier ones key by key. Every text of the layer is
// checked against the layers below it alone, so nothing is taken in before
// all are checked.
void Overlay(const Catalogue& layer, const std::string& source, TextMap& texts, TextMap& skin) {
  std::vector<const TextMap::value_type*> kept;
  for (const auto& entry : layer.texts)
    if (KeepsPlaceholders(texts, entry.first, entry.second, source)) kept.push_back(&entry);
  for (const TextMap::value_type* entry : kept) texts[entry->first] = entry->second;
  for (const auto& [key, text] : layer.skin) skin[key] = text;
}

void OverlayFile(const std::string& path, TextMap& texts, TextMap& skin) {
  // No file is no fault: the layers below answer for it.
  if (platform::PathKindOf(path) == platform::PathKind::Missing) return;
  Catalogue catalogue;
  if (Failure failure = ReadCatalogueFile(path, catalogue)) {
    ReportErrorText(kStem, __LINE__, "catalogue skipped: " + failure.message);
    return;
  }
  Overlay(catalogue, path, texts, skin);
}

std::shared_ptr<const ActiveLanguage> Build(const std::string& folder, const std::string& code) {
  auto active = std::make_shared<ActiveLanguage>();
  active->folder = folder;
  // A code names a file: one that is not a code never reaches the folder.
  active->code = IsLanguageCode(code) ? code : std::string(kDefaultLanguage);
  TextMap skin;
  Catalogue embedded;
  if (Failure failure = ParseCatalogue(EmbeddedDefaultCatalogue(), "(built-in default)", embedded))
    ReportErrorText(kStem, __LINE__, failure.message);
  Overlay(embedded, "(built-in default)", active->texts, skin);
  OverlayFile(CatalogueFilePath(folder, kDefaultLanguage), active->texts, skin);
  if (active->code != kDefaultLanguage) OverlayFile(CatalogueFilePath(folder, active->code), active->texts, skin);
  for (const auto& [key, text] : skin) active->skin.emplace(Utf16(key), Utf16(text));
  return active;
}

}  // namespace

std::string InstalledCatalogueFolder() {
  std::string program = platform::NativePathFromWide(platform::ModuleFileName());
  const std::size_t cut = program.find_last_of('/');
  program.resize(cut == std::string::npos ? 0 : cut);
  return (program.empty() ? std::string(".") : program) + "/ext/lang";
}

std::shared_ptr<const ActiveLanguage> ActivateLanguage(const std::string& folder, const std::string& code) {
  // Built outside the lock: lookups on other threads go on meanwhile.
  std::shared_ptr<const ActiveLanguage> active = Build(folder, code);
  std::lock_guard lock(gMutex);
  gActive = active;
  return active;
}

std::shared_ptr<const ActiveLanguage> CurrentLanguage() {
  {
    std::lock_guard lock(gMutex);
    if (gActive) return gActive;
  }
  const std::string folder = InstalledCatalogueFolder();
  std::shared_ptr<const ActiveLanguage> chosen = Build(folder, ChooseLanguage(folder));
  std::lock_guard lock(gMutex);
  // Another thread may have won the race (or activated on purpose): keep its.
  if (!gActive) gActive = chosen;
  return gActive;
}

std::string Text(std::string_view key) {
  const std::shared_ptr<const ActiveLanguage> active = CurrentLanguage();
  auto it = active->texts.find(key);
  return it == active->texts.end() ? std::string(key) : it->second;
}

std::u16string Text16(std::string_view key) { return Utf16(Text(key)); }

std::string_view CountedKey(std::string_view key) {
  if (key.size() > kSingularSuffix.size() && key.ends_with(kSingularSuffix))
    return key.substr(0, key.size() - kSingularSuffix.size());
  return key;
}

std::string TextForCount(std::string_view key, long long count) {
  if (count == 1) {
    const std::shared_ptr<const ActiveLanguage> active = CurrentLanguage();
    auto it = active->texts.find(std::string(key) + std::string(kSingularSuffix));
    if (it != active->texts.end()) return it->second;
  }
  return Text(key);
}

std::u16string Text16ForCount(std::string_view key, long long count) { return Utf16(TextForCount(key, count)); }

std::u16string SkinText(std::u16string_view layoutText) {
  const std::shared_ptr<const ActiveLanguage> active = CurrentLanguage();
  if (active->skin.empty()) return std::u16string(layoutText);
  auto it = active->skin.find(layoutText);
  return it == active->skin.end() ? std::u16string(layoutText) : it->second;
}

void ResetLanguageForTesting() {
  std::lock_guard lock(gMutex);
  gActive.reset();
}

}  // namespace lang
