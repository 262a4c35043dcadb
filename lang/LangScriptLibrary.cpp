#include "lang/LangScriptLibrary.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/CodePageText.h"
#include "base/FailureCause.h"
#include "base/ReportError.h"
#include "lang/Catalogue.h"
#include "lang/EmbeddedCatalogue.h"
#include "lang/LanguageChoice.h"
#include "lang/Texts.h"
#include "platform/Utf8Codec.h"

namespace {

constexpr const char* kStem = "LangScriptLibrary";

// Catalogues are UTF-8; scripts speak the ANSI code page. A character the
// code page lacks becomes its default character, and a stray byte (a file
// name in a message) a replacement: the rest of the text still arrives.
void PushAnsi(lua_State* L, const std::string& utf8) {
  std::u16string wide;
  platform::AppendUtf8AsUtf16(utf8, wide);
  const std::string ansi = Utf16ToAnsi(wide);
  lua_pushlstring(L, ansi.data(), ansi.size());
}

int Fail(lua_State* L, const Failure& failure) {
  lua_pushnil(L);
  PushAnsi(L, failure.message);
  lua_pushstring(L, FailureCauseName(failure.cause));
  return 3;
}

int lang_current(lua_State* L) {
  const std::string code = lang::CurrentLanguage()->code;
  lua_pushlstring(L, code.data(), code.size());
  return 1;
}

int lang_default(lua_State* L) {
  lua_pushlstring(L, lang::kDefaultLanguage.data(), lang::kDefaultLanguage.size());
  return 1;
}

// A catalogue's own name for its language; the code when it has none.
std::string LanguageName(const std::string& folder, const std::string& code) {
  lang::Catalogue catalogue;
  // The default is built in, whether or not its file is there.
  if (lang::ReadCatalogueFile(lang::CatalogueFilePath(folder, code), catalogue) && code == lang::kDefaultLanguage)
    lang::ParseCatalogue(lang::EmbeddedDefaultCatalogue(), "(built-in default)", catalogue);
  auto it = catalogue.texts.find("meta.name");
  return it == catalogue.texts.end() ? code : it->second;
}

int lang_list(lua_State* L) {
  const std::string folder = lang::CurrentLanguage()->folder;
  const std::vector<std::string> codes = lang::AvailableLanguages(folder);
  lua_createtable(L, static_cast<int>(codes.size()), 0);
  int index = 1;
  for (const std::string& code : codes) {
    lua_createtable(L, 0, 2);
    lua_pushlstring(L, code.data(), code.size());
    lua_setfield(L, -2, "code");
    PushAnsi(L, LanguageName(folder, code));
    lua_setfield(L, -2, "name");
    lua_rawseti(L, -2, index++);
  }
  return 1;
}

int lang_texts(lua_State* L) {
  const std::shared_ptr<const lang::ActiveLanguage> active = lang::CurrentLanguage();
  lua_createtable(L, 0, static_cast<int>(active->texts.size()));
  for (const auto& [key, text] : active->texts) {
    lua_pushlstring(L, key.data(), key.size());
    PushAnsi(L, text);
    lua_rawset(L, -3);
  }
  return 1;
}

int lang_set(lua_State* L) {
  // Like every native library, a wrong argument is reported, never raised.
  if (lua_type(L, 1) != LUA_TSTRING) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) lang_set: argument 1 is not a string, type is %s\n",
                luaL_typename(L, 1));
    return Fail(L, {FailureCause::BadInput, std::string("lang_set: the language code must be a string, not ") +
                                                luaL_typename(L, 1)});
  }
  size_t size = 0;
  const char* text = lua_tolstring(L, 1, &size);
  const std::string code(text, size);
  const std::string folder = lang::CurrentLanguage()->folder;
  if (!lang::IsLanguageCode(code))
    return Fail(L, {FailureCause::BadInput, "not a language code: " + code});
  const std::vector<std::string> codes = lang::AvailableLanguages(folder);
  if (std::find(codes.begin(), codes.end(), code) == codes.end())
    return Fail(L, {FailureCause::BadInput, "no catalogue for the language " + code});
  // A broken file would leave the user in the default language with no word
  // why; the translator hears which line instead.
  lang::Catalogue catalogue;
  if (code != lang::kDefaultLanguage)
    if (Failure failure = lang::ReadCatalogueFile(lang::CatalogueFilePath(folder, code), catalogue))
      return Fail(L, failure);
  if (Failure failure = lang::StoreLanguage(code)) return Fail(L, failure);
  lang::ActivateLanguage(folder, code);
  lua_pushboolean(L, 1);
  return 1;
}

}  // namespace

const luaL_Reg kLangScriptFunctions[] = {
    {"lang_current", lang_current}, {"lang_default", lang_default}, {"lang_list", lang_list},
    {"lang_texts", lang_texts},     {"lang_set", lang_set},         {nullptr, nullptr},
};

void RegisterLangScriptLibrary(lua_State* L) {
  for (const luaL_Reg* entry = kLangScriptFunctions; entry->name; ++entry) lua_register(L, entry->name, entry->func);
}
