// The lang_* script library: the scripts ask the host which language is
// active, which catalogues exist, for the active texts, and to switch.
//   lang_current()  -> the active code ("zh_CN")
//   lang_default()  -> "zh_CN"
//   lang_list()     -> { {code = "en", name = "English"}, ... } sorted by code
//   lang_texts()    -> { [key] = text } every [texts] key, defaults filled in
//   lang_set(code)  -> true | nil, message, cause
// Texts, names and messages are in the ANSI code page, as every script text
// is. A wrong argument type is reported to the diagnostic hook and answered
// as a "bad-input" failure, as the other native libraries do.
// lang_set stores the choice and activates it for the whole process at once.
#ifndef VELMORA_LANG_LANGSCRIPTLIBRARY_H
#define VELMORA_LANG_LANGSCRIPTLIBRARY_H

#include <lua.hpp>

extern const luaL_Reg kLangScriptFunctions[];

// Sets each function as a global, as the other native libraries do.
void RegisterLangScriptLibrary(lua_State* L);

#endif
