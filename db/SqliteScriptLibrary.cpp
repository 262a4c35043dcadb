#include "db/SqliteScriptLibrary.h"

#include "db/SqliteScriptSupport.h"

void RegisterSqliteScriptLibrary(lua_State* L) {
  sqlitescript::RegisterGlobals(L, kSqliteDatabaseFunctions);
  sqlitescript::RegisterGlobals(L, kSqliteQueryFunctions);
  sqlitescript::RegisterGlobals(L, kSqliteTableFunctions);
  sqlitescript::RegisterGlobals(L, kSqliteStatementFunctions);
}
