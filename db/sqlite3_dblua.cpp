// sqlite_db*: the connection family. Every function is a lua_CFunction whose
// own frame holds nothing with a destructor; wrapper work runs in RunGuarded
// and its message is pushed only after that work is over.
#include <new>

#include "base/ReportError.h"
#include "db/SqliteDB.h"
#include "db/SqliteScriptLibrary.h"
#include "db/SqliteScriptSupport.h"

using namespace sqlitescript;

namespace {

constexpr const char* kStem = "sqlite3_dblua";

int dbnew(lua_State* L) {
  lua_pushlightuserdata(L, new (std::nothrow) SqliteDB());
  return 1;
}

int dbdel(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  delete db;
  lua_pushnil(L);
  return 1;
}

int dbopen(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) open filename is not string,type is %s\n")) return 0;
  const char* fileName = lua_tostring(L, 2);
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { db->open(fileName); return 0; }, lua_pushnumber);
}

int dbclose(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (db) db->close();
  return 0;
}

int dbquery(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (lua_type(L, 2) != LUA_TLIGHTUSERDATA) {
    ReportError(kStem, __LINE__, "(error) (%s:%d)  param %d is not userdata ,type is %s\n", 2,
                lua_typename(L, lua_type(L, 2)));
    return 0;
  }
  if (!lua_isstring(L, 3)) {
    ReportError(kStem, __LINE__, "(error) (%s:%d)  param %d is not string ,type is %s\n", 3,
                lua_typename(L, lua_type(L, 3)));
    return 0;
  }
  auto* query = static_cast<SqliteQuery*>(lua_touserdata(L, 2));
  if (!query) {
    ReportNullPointer(kStem, __LINE__);
    return 0;
  }
  const char* sql = lua_tostring(L, 3);
  return RunGuardedThen(L, OnFailure::Message, [&] { *query = db->execQuery(sql); });
}

int dbtableExists(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) tableExists Table is not string,type is %s\n"))
    return 0;
  const char* table = lua_tostring(L, 2);
  return ReturnGuarded(L, OnFailure::Raise, [&] { return db->tableExists(table); }, lua_pushboolean);
}

int dbDML(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) execDML Sql is not string,type is %s\n")) return 0;
  const char* sql = lua_tostring(L, 2);
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return db->execDML(sql); }, lua_pushinteger);
}

int dbScalar(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) execScalar Sql is not string,type is %s\n")) return 0;
  const char* sql = lua_tostring(L, 2);
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return db->execScalar(sql); }, lua_pushinteger);
}

int dbgetTable(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) getTable Sql is not string,type is %s\n")) return 0;
  if (!CheckLightUserdata(L, 3, kStem, __LINE__,
                          "(error) (%s:%d) getTable SqliteTable is not userdata,type is %s\n"))
    return 0;
  auto* table = static_cast<SqliteTable*>(lua_touserdata(L, 3));
  if (!table) {
    ReportNullPointer(kStem, __LINE__);
    return 0;
  }
  const char* sql = lua_tostring(L, 2);
  return RunGuardedThen(L, OnFailure::Message, [&] { *table = db->getTable(sql); });
}

int dbcompileStatement(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) compileStatement Sql is not string,type is %s\n"))
    return 0;
  if (!CheckLightUserdata(L, 3, kStem, __LINE__,
                          "(error) (%s:%d) compileStatement SqliteTable is not userdata,type is %s\n"))
    return 0;
  auto* statement = static_cast<SqliteStatement*>(lua_touserdata(L, 3));
  if (!statement) {
    ReportNullPointer(kStem, __LINE__);
    return 0;
  }
  const char* sql = lua_tostring(L, 2);
  // The target does not finalize what it held: scripts finalize it first.
  return RunGuardedThen(L, OnFailure::Message, [&] { *statement = db->compileStatement(sql); });
}

int dblastRowId(lua_State* L) {
  auto* db = Handle<SqliteDB>(L, kStem, __LINE__);
  if (!db) return 0;
  // Not open: nil and the message, so no row id is ever made up.
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return db->lastRowId(); },
                       [](lua_State* state, long long rowId) { lua_pushnumber(state, static_cast<lua_Number>(rowId)); });
}

int RunFixedDML(lua_State* L, int line, const char* sql) {
  auto* db = Handle<SqliteDB>(L, kStem, line);
  if (!db) return 0;
  return RunGuardedThen(L, OnFailure::Message, [&] { db->execDML(sql); });
}

int dbbeginTransaction(lua_State* L) { return RunFixedDML(L, __LINE__, "BEGIN TRANSACTION;"); }

int dbcommitTransaction(lua_State* L) { return RunFixedDML(L, __LINE__, "COMMIT TRANSACTION;"); }

}  // namespace

const luaL_Reg kSqliteDatabaseFunctions[] = {
    {"sqlite_dbnew", dbnew},
    {"sqlite_dbdel", dbdel},
    {"sqlite_dbopen", dbopen},
    {"sqlite_dbclose", dbclose},
    {"sqlite_dbquery", dbquery},
    {"sqlite_dbtableExists", dbtableExists},
    {"sqlite_dbDML", dbDML},
    {"sqlite_dbScalar", dbScalar},
    {"sqlite_dbgetTable", dbgetTable},
    {"sqlite_dbcompileStatement", dbcompileStatement},
    {"sqlite_dblastRowId", dblastRowId},
    {"sqlite_dbbeginTransaction", dbbeginTransaction},
    {"sqlite_dbcommitTransaction", dbcommitTransaction},
    {nullptr, nullptr},
};
