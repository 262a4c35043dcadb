// sqlite_q*: the query-cursor family. Same frame discipline as the
// connection family: wrapper work in RunGuarded, Lua pushes afterwards.
#include <new>

#include "db/SqliteQuery.h"
#include "db/SqliteScriptLibrary.h"
#include "db/SqliteScriptSupport.h"

using namespace sqlitescript;

namespace {

constexpr const char* kStem = "sqlite3_querylua";

int qnew(lua_State* L) {
  lua_pushlightuserdata(L, new (std::nothrow) SqliteQuery());
  return 1;
}

int qdel(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  delete query;
  lua_pushnil(L);
  return 1;
}

int qnumFields(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  return ReturnGuarded(L, OnFailure::Raise, [&] { return query->numFields(); }, lua_pushinteger);
}

int qfieldIndex(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) fieldIndex szField is not string,type is %s\n"))
    return 0;
  const char* name = lua_tostring(L, 2);
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return query->fieldIndex(name); }, lua_pushinteger);
}

// fieldName and fieldDeclType: a column number in, a text (or nil) out.
template <const char* (SqliteQuery::*Get)(int) const>
int ColumnText(lua_State* L, int line, const char* format) {
  auto* query = Handle<SqliteQuery>(L, kStem, line);
  if (!query) return 0;
  if (!CheckNumber(L, 2, kStem, line, format)) return 0;
  int column = IntegerArgument(L, 2);
  return ReturnGuarded(L, OnFailure::NilAndMessage, [&] { return (query->*Get)(column); }, lua_pushstring);
}

int qfieldName(lua_State* L) {
  return ColumnText<&SqliteQuery::fieldName>(L, __LINE__,
                                             "(error) (%s:%d) fieldName nCol is not number,type is %s\n");
}

int qfieldDeclType(lua_State* L) {
  return ColumnText<&SqliteQuery::fieldDeclType>(L, __LINE__,
                                                 "(error) (%s:%d) fieldDeclType nCol is not number,type is %s\n");
}

int qfieldDataType(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  if (!CheckNumber(L, 2, kStem, __LINE__, "(error) (%s:%d) fieldDataType nCol is not number,type is %s\n"))
    return 0;
  int column = IntegerArgument(L, 2);
  return ReturnGuarded(
      L, OnFailure::NilAndMessage, [&] { return query->fieldDataType(column); }, lua_pushinteger);
}

// Reads the field argument (a number is a column index, a string a column
// name); null after reporting when the arguments do not qualify.
SqliteQuery* QueryAndField(lua_State* L, FieldArgument& field, int line, const char* format) {
  auto* query = Handle<SqliteQuery>(L, kStem, line);
  if (!query || !ReadField(L, 2, field, kStem, line, format)) return nullptr;
  return query;
}

int qfieldValue(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query =
      QueryAndField(L, field, __LINE__, "(error) (%s:%d) fieldValue Field is not number or string,type is %s\n");
  if (!query) return 0;
  return ReturnGuarded(
      L, OnFailure::NilAndMessage,
      [&] { return query->fieldValue(field.name ? query->fieldIndex(field.name) : field.index); },
      lua_pushstring);
}

int qgetIntField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getIntField Field is not number or string,type is %s\n");
  if (!query) return 0;
  return ReturnGuarded(
      L, OnFailure::NilAndMessage,
      [&] { return field.name ? query->getIntField(field.name) : query->getIntField(field.index); },
      lua_pushinteger);
}

int qgetFloatField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getFloatField Field is not number or string,type is %s\n");
  if (!query) return 0;
  return ReturnGuarded(
      L, OnFailure::NilAndMessage,
      [&] { return field.name ? query->getFloatField(field.name) : query->getFloatField(field.index); },
      lua_pushnumber);
}

int qgetStringField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getStringField Field is not number or string,type is %s\n");
  if (!query) return 0;
  return ReturnGuarded(
      L, OnFailure::NilAndMessage,
      [&] { return field.name ? query->getStringField(field.name) : query->getStringField(field.index); },
      lua_pushstring);
}

int qgetBlobField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getBlobField Field is not number or string,type is %s\n");
  if (!query) return 0;
  const unsigned char* bytes = nullptr;
  int length = 0;
  char* failure = RunGuarded([&] {
    bytes = query->getBlobField(field.name ? query->fieldIndex(field.name) : field.index, length);
  });
  if (failure) return PushNilAndMessage(L, failure);
  // A NULL value has no bytes and reads as the empty string.
  lua_pushlstring(L, bytes ? reinterpret_cast<const char*>(bytes) : "", bytes ? static_cast<size_t>(length) : 0);
  return 1;
}

int qfieldIsNull(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) fieldIsNull Field is not number or string,type is %s\n");
  if (!query) return 0;
  return ReturnGuarded(
      L, OnFailure::NilAndMessage,
      [&] { return query->fieldIsNull(field.name ? query->fieldIndex(field.name) : field.index); },
      lua_pushboolean);
}

int qeof(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  return ReturnGuarded(L, OnFailure::Raise, [&] { return query->eof(); }, lua_pushboolean);
}

int qnextRow(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  return RunGuardedThen(L, OnFailure::Raise, [&] { query->nextRow(); });
}

int qfinalize(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  return RunGuardedThen(L, OnFailure::Raise, [&] { query->finalize(); });
}

}  // namespace

const luaL_Reg kSqliteQueryFunctions[] = {
    {"sqlite_qnew", qnew},
    {"sqlite_qdel", qdel},
    {"sqlite_qnumFields", qnumFields},
    {"sqlite_qfieldIndex", qfieldIndex},
    {"sqlite_qfieldName", qfieldName},
    {"sqlite_qfieldDeclType", qfieldDeclType},
    {"sqlite_qfieldDataType", qfieldDataType},
    {"sqlite_qfieldValue", qfieldValue},
    {"sqlite_qgetIntField", qgetIntField},
    {"sqlite_qgetFloatField", qgetFloatField},
    {"sqlite_qgetStringField", qgetStringField},
    {"sqlite_qgetBlobField", qgetBlobField},
    {"sqlite_qfieldIsNull", qfieldIsNull},
    {"sqlite_qeof", qeof},
    {"sqlite_qnextRow", qnextRow},
    {"sqlite_qfinalize", qfinalize},
    {nullptr, nullptr},
};
