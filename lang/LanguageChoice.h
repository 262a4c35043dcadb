// Which language the process speaks: VELMORA_LANG when set, else the
// user's stored choice (the one-line file `language` in
// $XDG_CONFIG_HOME/velmora/, else ~/.config/velmora/), else the default.
// A code without a catalogue file falls back to the default, which is
// always there (built into the program). Safe from any thread.
#ifndef VELMORA_LANG_LANGUAGECHOICE_H
#define VELMORA_LANG_LANGUAGECHOICE_H

#include <string>
#include <string_view>
#include <vector>

#include "base/FailureCause.h"

namespace lang {

inline constexpr std::string_view kDefaultLanguage = "zh_CN";

// A code names a file in the catalogue folder, so only letters, digits,
// '_' and '-' (at most 32) are codes: nothing can name a path elsewhere.
bool IsLanguageCode(std::string_view code);

// The file of `code` in `folder`: "<folder>/<code>.txt".
std::string CatalogueFilePath(const std::string& folder, std::string_view code);

// The codes with a catalogue file in `folder`, sorted, the default always
// among them.
std::vector<std::string> AvailableLanguages(const std::string& folder);

// Where the stored choice lives; empty when neither XDG_CONFIG_HOME nor
// HOME is set.
std::string ChoiceFilePath();
// The stored code, trimmed; empty when there is none (or it is unreadable).
std::string StoredLanguage();
// Stores `code` (written atomically, the folder made when missing).
Failure StoreLanguage(std::string_view code);

// VELMORA_LANG, else the stored choice, else the default; a choice that is
// not a code or has no file in `folder` gives the default.
std::string ChooseLanguage(const std::string& folder);

}  // namespace lang

#endif
