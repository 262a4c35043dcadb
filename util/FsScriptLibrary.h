// The fs_* script library: what the scripts need of the file system and of
// its names, so that no script has to start a program for it.
//   fs_makeDirs(path [, ownerOnly]) -> true | nil, message, cause
//   fs_freeSpace(path)              -> available, total | nil, message, cause
//   fs_exists(path), fs_isDir(path) -> boolean | nil, message, cause
//   fs_toNative(text)               -> the UTF-8 name | nil, message, cause
//   fs_fromNative(name)             -> the ANSI text | nil, message, cause
// Paths and messages are ANSI code-page text, as everywhere in the scripts;
// `cause` is a failure cause's stable name ("disk", "bad-input"). A wrong
// argument type is reported to the diagnostic hook and gives nothing.
// Main thread only; see docs/scripting.md.
#ifndef VELMORA_UTIL_FSSCRIPTLIBRARY_H
#define VELMORA_UTIL_FSSCRIPTLIBRARY_H

#include <lua.hpp>

extern const luaL_Reg kFsScriptFunctions[];

// Sets each function as a global, as the other native libraries do.
void RegisterFsScriptLibrary(lua_State* L);

#endif
