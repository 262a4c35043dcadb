#include "db/SqliteScriptLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ReportError.h"
#include "script/tessaryLuaCommon.h"
#include "tests/support/LuaTestHarness.h"
#include "tests/support/TempDir.h"

namespace {

void RunScript(const std::string& name) {
  TempDir dir;
  LuaRunResult result = RunLuaTestFile(SourceDir() + "/tests/db/lua/" + name, {dir.path(), SourceDir()});
  EXPECT_TRUE(result.ok) << result.error;
  for (const auto& report : result.reports) ADD_FAILURE() << "unexpected report: " << report;
}

// Calls global `name` with a null light userdata in argument `position`
// (and harmless values before it); returns its result count.
int CallWithNullAt(lua_State* L, const char* name, int position, void* first) {
  int top = lua_gettop(L);
  lua_getfield(L, LUA_GLOBALSINDEX, name);
  for (int argument = 1; argument <= 3; ++argument) {
    if (argument == position)
      lua_pushlightuserdata(L, nullptr);
    else if (argument == 1)
      lua_pushlightuserdata(L, first);
    else
      lua_pushstring(L, "select 1");
  }
  EXPECT_EQ(lua_pcall(L, 3, LUA_MULTRET, 0), 0) << name;
  int results = lua_gettop(L) - top;
  lua_settop(L, top);
  return results;
}

void CallDelete(lua_State* L, const char* name, void* handle) {
  lua_getfield(L, LUA_GLOBALSINDEX, name);
  lua_pushlightuserdata(L, handle);
  lua_call(L, 1, 0);
}

}  // namespace

TEST(SqliteScriptLibrary, Registration) { RunScript("registration.lua"); }
TEST(SqliteScriptLibrary, DatabaseFunctions) { RunScript("db_functions.lua"); }
TEST(SqliteScriptLibrary, QueryFunctions) { RunScript("query_functions.lua"); }
TEST(SqliteScriptLibrary, TableFunctions) { RunScript("table_functions.lua"); }
TEST(SqliteScriptLibrary, StatementFunctions) { RunScript("statement_functions.lua"); }
TEST(SqliteScriptLibrary, ArgumentReports) { RunScript("argument_reports.lua"); }

TEST(SqliteScriptLibrary, NullHandlesAreReportedNotUsed) {
  std::vector<std::string> reports;
  auto previous = SetDiagnosticSink([&](const std::string& report) { reports.push_back(report); });
  {
    LuaCommon host;
    lua_State* L = host.State();
    for (const luaL_Reg* family :
         {kSqliteDatabaseFunctions, kSqliteQueryFunctions, kSqliteTableFunctions, kSqliteStatementFunctions}) {
      for (const luaL_Reg* entry = family; entry->name; ++entry) {
        std::string name = entry->name;
        if (name.ends_with("new")) continue;
        reports.clear();
        EXPECT_EQ(CallWithNullAt(L, entry->name, 1, nullptr), 0) << name;
        ASSERT_EQ(reports.size(), 1u) << name;
        EXPECT_TRUE(reports[0].starts_with("(error) (sqlite3_")) << reports[0];
        EXPECT_TRUE(reports[0].ends_with(")  ptr is null.\n")) << reports[0];
      }
    }

    // Null targets of the transfers: reported, and the SQL never runs.
    lua_getfield(L, LUA_GLOBALSINDEX, "sqlite_dbnew");
    lua_call(L, 0, 1);
    void* db = lua_touserdata(L, -1);
    lua_pop(L, 1);
    struct Target {
      const char* name;
      int position;
      const char* stem;
    };
    for (Target target : {Target{"sqlite_dbquery", 2, "sqlite3_dblua"}, Target{"sqlite_dbgetTable", 3, "sqlite3_dblua"},
                           Target{"sqlite_dbcompileStatement", 3, "sqlite3_dblua"}}) {
      reports.clear();
      EXPECT_EQ(CallWithNullAt(L, target.name, target.position, db), 0) << target.name;
      ASSERT_EQ(reports.size(), 1u) << target.name;
      EXPECT_TRUE(reports[0].starts_with(std::string("(error) (") + target.stem + ":")) << reports[0];
      EXPECT_TRUE(reports[0].ends_with(")  ptr is null.\n")) << reports[0];
    }
    lua_getfield(L, LUA_GLOBALSINDEX, "sqlite_snew");
    lua_call(L, 0, 1);
    void* statement = lua_touserdata(L, -1);
    lua_pop(L, 1);
    reports.clear();
    EXPECT_EQ(CallWithNullAt(L, "sqlite_sQuery", 2, statement), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].starts_with("(error) (sqlite3_statementlua:")) << reports[0];
    EXPECT_TRUE(reports[0].ends_with(")  ptr is null.\n")) << reports[0];
    CallDelete(L, "sqlite_sdel", statement);
    CallDelete(L, "sqlite_dbdel", db);
  }
  SetDiagnosticSink(std::move(previous));
}
