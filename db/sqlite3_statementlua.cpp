// sqlite_s*: the prepared-statement family. Parameter numbers are SQLite's
// 1-based numbers. Same frame discipline as the other families.
#include <climits>
#include <new>

#include "db/SqliteScriptLibrary.h"
#include "db/SqliteScriptSupport.h"
#include "db/SqliteStatement.h"

using namespace sqlitescript;

namespace {

constexpr const char* kStem = "sqlite3_statementlua";
constexpr const char* kBadParameter = "(error) (%s:%d) bind param is not number,type is %s\n";

int snew(lua_State* L) {
  lua_pushlightuserdata(L, new (std::nothrow) SqliteStatement());
  return 1;
}

int sdel(lua_State* L) {
  auto* statement = Handle<SqliteStatement>(L, kStem, __LINE__);
  if (!statement) return 0;
  delete statement;
  lua_pushnil(L);
  return 1;
}

int sDML(lua_State* L) {
  auto* statement = Handle<SqliteStatement>(L, kStem, __LINE__);
  if (!statement) return 0;
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return statement->execDML(); }, lua_pushinteger);
}

int sQuery(lua_State* L) {
  auto* statement = Handle<SqliteStatement>(L, kStem, __LINE__);
  if (!statement) return 0;
  if (!CheckLightUserdata(L, 2, kStem, __LINE__, "(error) (%s:%d) execQuery SqliteQuery is not userdata,type is %s\n"))
    return 0;
  auto* query = static_cast<SqliteQuery*>(lua_touserdata(L, 2));
  if (!query) {
    ReportNullPointer(kStem, __LINE__);
    return 0;
  }
  return RunGuardedThen(L, OnFailure::Message, [&] { *query = statement->execQuery(); });
}

// Checks the handle and the parameter number shared by every bind.
SqliteStatement* BindTarget(lua_State* L, int line, int& parameter) {
  auto* statement = Handle<SqliteStatement>(L, kStem, line);
  if (!statement || !CheckNumber(L, 2, kStem, line, kBadParameter)) return nullptr;
  parameter = IntegerArgument(L, 2);
  return statement;
}

int sbindString(lua_State* L) {
  int parameter = 0;
  SqliteStatement* statement = BindTarget(L, __LINE__, parameter);
  if (!statement) return 0;
  if (!CheckString(L, 3, kStem, __LINE__, "(error) (%s:%d) bindString Value is not string ,type is %s\n")) return 0;
  const char* value = lua_tostring(L, 3);
  return RunGuardedThen(L, OnFailure::Message, [&] { statement->bind(parameter, value); });
}

int sbindInt(lua_State* L) {
  int parameter = 0;
  SqliteStatement* statement = BindTarget(L, __LINE__, parameter);
  if (!statement) return 0;
  if (!CheckNumber(L, 3, kStem, __LINE__, "(error) (%s:%d) bindInt Value is not int ,type is %s\n")) return 0;
  lua_Integer value = lua_tointeger(L, 3);
  char* failure = RunGuarded([&] {
    // Script integers reach 53 bits; a 32-bit bind would store a different number.
    if (value >= INT_MIN && value <= INT_MAX)
      statement->bind(parameter, static_cast<int>(value));
    else
      statement->bindInt64(parameter, value);
  });
  if (failure) return PushMessage(L, failure);
  return 0;
}

int sbindFloat(lua_State* L) {
  int parameter = 0;
  SqliteStatement* statement = BindTarget(L, __LINE__, parameter);
  if (!statement) return 0;
  if (!CheckNumber(L, 3, kStem, __LINE__, "(error) (%s:%d) bindfloat  Value is not double ,type is %s\n")) return 0;
  double value = lua_tonumber(L, 3);
  return RunGuardedThen(L, OnFailure::Message, [&] { statement->bind(parameter, value); });
}

int sbindBlob(lua_State* L) {
  int parameter = 0;
  SqliteStatement* statement = BindTarget(L, __LINE__, parameter);
  if (!statement) return 0;
  if (!CheckString(L, 3, kStem, __LINE__, "(error) (%s:%d) sqlite_sbindblob Value is not double ,type is %s\n"))
    return 0;
  size_t length = 0;
  const char* bytes = lua_tolstring(L, 3, &length);
  return RunGuardedThen(L, OnFailure::Message,
                        [&] { statement->bind(parameter, static_cast<const void*>(bytes), length); });
}

int sbindNull(lua_State* L) {
  int parameter = 0;
  SqliteStatement* statement = BindTarget(L, __LINE__, parameter);
  if (!statement) return 0;
  return RunGuardedThen(L, OnFailure::Message, [&] { statement->bindNull(parameter); });
}

// reset and finalize hand back the value on top of the stack: their own last
// argument, normally the statement handle.
int sreset(lua_State* L) {
  auto* statement = Handle<SqliteStatement>(L, kStem, __LINE__);
  if (!statement) return 0;
  return RunGuardedThen(L, OnFailure::NilAndMessage, [&] { statement->reset(); }, 1);
}

int sfinalize(lua_State* L) {
  auto* statement = Handle<SqliteStatement>(L, kStem, __LINE__);
  if (!statement) return 0;
  return RunGuardedThen(L, OnFailure::NilAndMessage, [&] { statement->finalize(); }, 1);
}

}  // namespace

const luaL_Reg kSqliteStatementFunctions[] = {
    {"sqlite_snew", snew},
    {"sqlite_sdel", sdel},
    {"sqlite_sDML", sDML},
    {"sqlite_sQuery", sQuery},
    {"sqlite_sbindString", sbindString},
    {"sqlite_sbindInt", sbindInt},
    {"sqlite_sbindFloat", sbindFloat},
    {"sqlite_sbindBlob", sbindBlob},
    {"sqlite_sbindNull", sbindNull},
    {"sqlite_sreset", sreset},
    {"sqlite_sfinalize", sfinalize},
    {nullptr, nullptr},
};
