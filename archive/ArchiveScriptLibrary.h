// The zip_* script library: extraction of .zip archives on worker threads.
//   job = zip_extract(archive, folder [, maxBytes [, maxEntries]])
//   state, bytesDone, bytesTotal, entriesDone, entriesTotal = zip_state(job)
//   zip_error(job), zip_cancel(job), zip_del(job), zip_running()
// Jobs are light userdata the script deletes with zip_del; a handle that is
// not a live job is refused, never followed. Paths and messages are ANSI
// code-page text. Main thread only; see docs/ui-scripting.md.
#ifndef VELMORA_ARCHIVE_ARCHIVESCRIPTLIBRARY_H
#define VELMORA_ARCHIVE_ARCHIVESCRIPTLIBRARY_H

#include <lua.hpp>

extern const luaL_Reg kZipScriptFunctions[];

// Sets each function as a global, as the other native libraries do.
void RegisterZipScriptLibrary(lua_State* L);

#endif
