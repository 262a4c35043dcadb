// The native script libraries every interpreter of the host carries.
#ifndef VELMORA_SCRIPT_SCRIPTLIBRARIES_H
#define VELMORA_SCRIPT_SCRIPTLIBRARIES_H

#include <lua.hpp>

// The XML library (31 xml_* globals), in its documented order.
void RegisterXmlScriptLibrary(lua_State* L);
// The database library (the sqlite_* globals), in its documented order.
void RegisterDatabaseScriptLibrary(lua_State* L);
// The archive library (the zip_* globals).
void RegisterArchiveScriptLibrary(lua_State* L);
// The download library (dl_* and http_get), with this interpreter's engine.
void RegisterDownloadLibrary(lua_State* L);
// The file-system library (the fs_* globals).
void RegisterFileSystemLibrary(lua_State* L);
// The remote-control library (the rpc_* globals), with this interpreter's server.
void RegisterRemoteControlLibrary(lua_State* L);
// The language library (the lang_* globals) over the process's active language.
void RegisterLanguageLibrary(lua_State* L);

#endif
