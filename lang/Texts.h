// The process's active language: the chosen catalogue over the default
// catalogue file over the default built into the program, merged key by key
// so that every key of the default is always there. Host texts, skin texts
// and the scripts' texts all come from here.
//
// The first lookup activates the language ChooseLanguage picks from the
// catalogue folder beside the executable (<program folder>/ext/lang, where
// the scripts are), so whatever is built first (the main window's skin, a
// bootstrap message) is already in that language. Activating another
// language later replaces the whole set at once; a lookup sees the old set
// or the new one, never a mix. Safe from any thread.
#ifndef VELMORA_LANG_TEXTS_H
#define VELMORA_LANG_TEXTS_H

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "lang/Catalogue.h"

namespace lang {

// One activated language, never changed once built.
struct ActiveLanguage {
  std::string folder;  // where its catalogue files are
  std::string code;    // "zh_CN", "en", ...
  TextMap texts;       // every [texts] key, UTF-8
  std::map<std::u16string, std::u16string, std::less<>> skin;  // layout text -> shown text
};

// <program folder>/ext/lang.
std::string InstalledCatalogueFolder();

// Makes `code` from `folder` the active language. Files that are missing or
// broken are reported to the diagnostic hook and skipped, so the result
// always holds at least the built-in default. Returns what became active.
std::shared_ptr<const ActiveLanguage> ActivateLanguage(const std::string& folder, const std::string& code);

// The active language (activated on first use as described above).
std::shared_ptr<const ActiveLanguage> CurrentLanguage();

// The text of `key`, UTF-8; the key itself when no catalogue has it, so a
// missing text is visible on screen and in tests.
std::string Text(std::string_view key);
std::u16string Text16(std::string_view key);
// A catalogue may give a text a singular form under "<key>:one" (English
// does; Chinese needs none). TextForCount picks it when count is 1.
inline constexpr std::string_view kSingularSuffix = ":one";
// The key a text belongs to: "added" for "added:one", else the key itself.
std::string_view CountedKey(std::string_view key);
std::string TextForCount(std::string_view key, long long count);
std::u16string Text16ForCount(std::string_view key, long long count);
// What the skin shows for a layout's own `text`/`tooltip`/`prompttext`.
std::u16string SkinText(std::u16string_view layoutText);

// Forgets the active language, so the next lookup chooses again.
void ResetLanguageForTesting();

}  // namespace lang

#endif
