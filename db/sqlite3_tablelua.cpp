// sqlite_t*: the materialised-table family. Values are always the text
// sqlite3_get_table produced, so the number getters convert that text as
// atoi and atof do. Same frame discipline as the other families.
#include <cstdlib>
#include <new>

#include "db/SqliteScriptLibrary.h"
#include "db/SqliteScriptSupport.h"
#include "db/SqliteTable.h"

using namespace sqlitescript;

namespace {

constexpr const char* kStem = "sqlite3_tablelua";

int tnew(lua_State* L) {
  lua_pushlightuserdata(L, new (std::nothrow) SqliteTable());
  return 1;
}

int tdel(lua_State* L) {
  auto* table = Handle<SqliteTable>(L, kStem, __LINE__);
  if (!table) return 0;
  delete table;
  lua_pushnil(L);
  return 1;
}

// numFields and numRows raise their failure as a Lua error.
template <int (SqliteTable::*Count)() const>
int CountOf(lua_State* L, int line) {
  auto* table = Handle<SqliteTable>(L, kStem, line);
  if (!table) return 0;
  return ReturnGuarded(L, OnFailure::Raise, [&] { return (table->*Count)(); }, lua_pushinteger);
}

int tnumFields(lua_State* L) { return CountOf<&SqliteTable::numFields>(L, __LINE__); }

int tnumRows(lua_State* L) { return CountOf<&SqliteTable::numRows>(L, __LINE__); }

int tfieldName(lua_State* L) {
  auto* table = Handle<SqliteTable>(L, kStem, __LINE__);
  if (!table) return 0;
  if (!CheckNumber(L, 2, kStem, __LINE__, "(error) (%s:%d) fieldName col is not number,type is %s\n")) return 0;
  int column = IntegerArgument(L, 2);
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return table->fieldName(column); }, lua_pushstring);
}

// Reads the field argument and the current row's text of that field (null
// for SQL NULL). Returns the number of results to hand back on failure
// (0 after a report, 2 for nil and the message), or -1 when `value` is set.
int FieldText(lua_State* L, int line, const char* format, const char*& value) {
  auto* table = Handle<SqliteTable>(L, kStem, line);
  if (!table) return 0;
  FieldArgument field;
  if (!ReadField(L, 2, field, kStem, line, format)) return 0;
  char* failure = RunGuarded([&] {
    value = field.name ? table->fieldValue(field.name) : table->fieldValue(field.index);
  });
  if (failure) return PushNilAndMessage(L, failure);
  return -1;
}

int tfieldValue(lua_State* L) {
  const char* value = nullptr;
  int results = FieldText(L, __LINE__, "(error) (%s:%d) fieldValue field is not number or string,type is %s\n", value);
  if (results >= 0) return results;
  lua_pushstring(L, value);
  return 1;
}

int tgetIntField(lua_State* L) {
  const char* value = nullptr;
  int results =
      FieldText(L, __LINE__, "(error) (%s:%d) getIntField field is not number or string,type is %s\n", value);
  if (results >= 0) return results;
  lua_pushinteger(L, value ? std::atoi(value) : 0);
  return 1;
}

int tgetFloatField(lua_State* L) {
  const char* value = nullptr;
  int results =
      FieldText(L, __LINE__, "(error) (%s:%d) getFloatField field is not number or string,type is %s\n", value);
  if (results >= 0) return results;
  lua_pushnumber(L, value ? std::atof(value) : 0.0);
  return 1;
}

int tgetStringField(lua_State* L) {
  const char* value = nullptr;
  int results =
      FieldText(L, __LINE__, "(error) (%s:%d) getStringField field is not number or string,type is %s\n", value);
  if (results >= 0) return results;
  lua_pushstring(L, value ? value : "");
  return 1;
}

int tfieldIsNull(lua_State* L) {
  const char* value = nullptr;
  int results =
      FieldText(L, __LINE__, "(error) (%s:%d) fieldIsNull field is not number or string,type is %s\n", value);
  if (results >= 0) return results;
  lua_pushboolean(L, value == nullptr);
  return 1;
}

int tsetRow(lua_State* L) {
  auto* table = Handle<SqliteTable>(L, kStem, __LINE__);
  if (!table) return 0;
  if (!CheckNumber(L, 2, kStem, __LINE__, "(error) (%s:%d) setRow row is not number,type is %s\n")) return 0;
  int row = IntegerArgument(L, 2);
  return RunGuardedThen(L, OnFailure::Message, [&] { table->setRow(row); });
}

int tfinalize(lua_State* L) {
  auto* table = Handle<SqliteTable>(L, kStem, __LINE__);
  if (table) table->finalize();
  return 0;
}

}  // namespace

const luaL_Reg kSqliteTableFunctions[] = {
    {"sqlite_tnew", tnew},
    {"sqlite_tdel", tdel},
    {"sqlite_tnumFields", tnumFields},
    {"sqlite_tnumRows", tnumRows},
    {"sqlite_tfieldName", tfieldName},
    {"sqlite_tfieldValue", tfieldValue},
    {"sqlite_tgetIntField", tgetIntField},
    {"sqlite_tgetFloatField", tgetFloatField},
    {"sqlite_tgetStringField", tgetStringField},
    {"sqlite_tgetFloatField", tgetFloatField},  // listed twice; the second simply sets it again
    {"sqlite_tfieldIsNull", tfieldIsNull},
    {"sqlite_tsetRow", tsetRow},
    {"sqlite_tfinalize", tfinalize},
    {nullptr, nullptr},
};
