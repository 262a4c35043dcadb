// Registration of the native script libraries. Each library lives with its
// engine (xml/, db/); this file only calls them in the host's order.
#include "script/ScriptLibraries.h"

#include "db/SqliteScriptLibrary.h"

void RegisterXmlScriptLibrary(lua_State* L) {
  (void)L;  // the XML library registers here once it lands
}

void RegisterDatabaseScriptLibrary(lua_State* L) { RegisterSqliteScriptLibrary(L); }
