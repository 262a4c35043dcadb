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
  int count = 0;
  if (char* failure = RunGuarded([&] { count = query->numFields(); })) return RaiseMessage(L, failure);
  lua_pushinteger(L, count);
  return 1;
}

int qfieldIndex(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  if (!CheckString(L, 2, kStem, __LINE__, "(error) (%s:%d) fieldIndex szField is not string,type is %s\n"))
    return 0;
  const char* name = lua_tostring(L, 2);
  int index = 0;
  if (char* failure = RunGuarded([&] { index = query->fieldIndex(name); })) return PushNilAndMessage(L, failure);
  lua_pushinteger(L, index);
  return 1;
}

// fieldName and fieldDeclType: a column number in, a text (or nil) out.
template <const char* (SqliteQuery::*Get)(int) const>
int ColumnText(lua_State* L, int line, const char* format) {
  auto* query = Handle<SqliteQuery>(L, kStem, line);
  if (!query) return 0;
  if (!CheckNumber(L, 2, kStem, line, format)) return 0;
  int column = IntegerArgument(L, 2);
  const char* text = nullptr;
  if (char* failure = RunGuarded([&] { text = (query->*Get)(column); })) return PushNilAndMessage(L, failure);
  lua_pushstring(L, text);
  return 1;
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
  int type = 0;
  if (char* failure = RunGuarded([&] { type = query->fieldDataType(column); })) return PushNilAndMessage(L, failure);
  lua_pushinteger(L, type);
  return 1;
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
  const char* text = nullptr;
  char* failure = RunGuarded([&] {
    text = query->fieldValue(field.name ? query->fieldIndex(field.name) : field.index);
  });
  if (failure) return PushNilAndMessage(L, failure);
  lua_pushstring(L, text);
  return 1;
}

int qgetIntField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getIntField Field is not number or string,type is %s\n");
  if (!query) return 0;
  int value = 0;
  char* failure =
      RunGuarded([&] { value = field.name ? query->getIntField(field.name) : query->getIntField(field.index); });
  if (failure) return PushNilAndMessage(L, failure);
  lua_pushinteger(L, value);
  return 1;
}

int qgetFloatField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getFloatField Field is not number or string,type is %s\n");
  if (!query) return 0;
  double value = 0;
  char* failure =
      RunGuarded([&] { value = field.name ? query->getFloatField(field.name) : query->getFloatField(field.index); });
  if (failure) return PushNilAndMessage(L, failure);
  lua_pushnumber(L, value);
  return 1;
}

int qgetStringField(lua_State* L) {
  FieldArgument field;
  SqliteQuery* query = QueryAndField(L, field, __LINE__,
                                     "(error) (%s:%d) getStringField Field is not number or string,type is %s\n");
  if (!query) return 0;
  const char* text = nullptr;
  char* failure =
      RunGuarded([&] { text = field.name ? query->getStringField(field.name) : query->getStringField(field.index); });
  if (failure) return PushNilAndMessage(L, failure);
  lua_pushstring(L, text);
  return 1;
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
  bool isNull = false;
  char* failure = RunGuarded([&] {
    isNull = query->fieldIsNull(field.name ? query->fieldIndex(field.name) : field.index);
  });
  if (failure) return PushNilAndMessage(L, failure);
  lua_pushboolean(L, isNull);
  return 1;
}

int qeof(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  bool atEnd = true;
  if (char* failure = RunGuarded([&] { atEnd = query->eof(); })) return RaiseMessage(L, failure);
  lua_pushboolean(L, atEnd);
  return 1;
}

int qnextRow(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  if (char* failure = RunGuarded([&] { query->nextRow(); })) return RaiseMessage(L, failure);
  return 0;
}

int qfinalize(lua_State* L) {
  auto* query = Handle<SqliteQuery>(L, kStem, __LINE__);
  if (!query) return 0;
  if (char* failure = RunGuarded([&] { query->finalize(); })) return RaiseMessage(L, failure);
  return 0;
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
