// The dl_* functions and http_get for scripts. Each interpreter gets its own
// download engine, which lives as long as the interpreter: closing the
// state stops every transfer (partial files and records are kept).
#ifndef VELMORA_DL_DOWNLOADSCRIPTLIBRARY_H
#define VELMORA_DL_DOWNLOADSCRIPTLIBRARY_H

#include <lua.hpp>

void RegisterDownloadScriptLibrary(lua_State* L);

#endif
