// Registration of the native script libraries. Each library lives with its
// engine (xml/, db/, dl/, rpc/, util/, lang/); this file only calls them in the host's order.
#include "script/ScriptLibraries.h"

#include "archive/ArchiveScriptLibrary.h"
#include "db/SqliteScriptLibrary.h"
#include "dl/DownloadScriptLibrary.h"
#include "lang/LangScriptLibrary.h"
#include "rpc/RpcScriptLibrary.h"
#include "util/FsScriptLibrary.h"
#include "xml/xmllua.h"

void RegisterXmlScriptLibrary(lua_State* L) { RegisterXmlLuaLibrary(L); }

void RegisterDatabaseScriptLibrary(lua_State* L) { RegisterSqliteScriptLibrary(L); }

void RegisterArchiveScriptLibrary(lua_State* L) { RegisterZipScriptLibrary(L); }
void RegisterDownloadLibrary(lua_State* L) { RegisterDownloadScriptLibrary(L); }
void RegisterFileSystemLibrary(lua_State* L) { RegisterFsScriptLibrary(L); }
void RegisterRemoteControlLibrary(lua_State* L) { RegisterRpcScriptLibrary(L); }
void RegisterLanguageLibrary(lua_State* L) { RegisterLangScriptLibrary(L); }
