// The script database library: 52 sqlite_* globals over the wrapper, in four
// families. Handles are light userdata the script creates with a *new
// function and releases with the matching *del function; nothing is freed by
// the garbage collector. Wrapper failures come back as message results,
// except in the few functions that raise them as Lua errors.
#ifndef VELMORA_DB_SQLITESCRIPTLIBRARY_H
#define VELMORA_DB_SQLITESCRIPTLIBRARY_H

#include <lua.hpp>

// Each list ends with a {nullptr, nullptr} entry and is in registration order.
extern const luaL_Reg kSqliteDatabaseFunctions[];   // sqlite_db*, 13
extern const luaL_Reg kSqliteQueryFunctions[];      // sqlite_q*, 16
extern const luaL_Reg kSqliteTableFunctions[];      // sqlite_t*, 13 entries (12 names)
extern const luaL_Reg kSqliteStatementFunctions[];  // sqlite_s*, 11

// Sets the four families as globals, in the order above.
void RegisterSqliteScriptLibrary(lua_State* L);

#endif
