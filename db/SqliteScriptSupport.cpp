#include "db/SqliteScriptSupport.h"

#include <sqlite3.h>

#include "base/ReportError.h"

namespace sqlitescript {

char* CopyMessage(const char* text) noexcept { return sqlite3_mprintf("%s", text ? text : ""); }

namespace {

void PushAndFree(lua_State* L, char* message) {
  // An allocation failure while copying leaves no text; the script still
  // learns that the call failed.
  lua_pushstring(L, message ? message : "out of memory");
  sqlite3_free(message);
}

}  // namespace

int PushMessage(lua_State* L, char* message) {
  PushAndFree(L, message);
  return 1;
}

int PushNilAndMessage(lua_State* L, char* message) {
  lua_pushnil(L);
  PushAndFree(L, message);
  return 2;
}

int RaiseMessage(lua_State* L, char* message) {
  PushAndFree(L, message);
  return lua_error(L);
}

int AnswerFailure(lua_State* L, char* message, OnFailure how) {
  switch (how) {
    case OnFailure::Message: return PushMessage(L, message);
    case OnFailure::NilAndMessage: return PushNilAndMessage(L, message);
    case OnFailure::Raise: break;
  }
  return RaiseMessage(L, message);
}

void* ReportBadHandle(lua_State* L, const char* stem, int line) {
  if (lua_type(L, 1) != LUA_TLIGHTUSERDATA)
    ReportError(stem, line, "(error) (%s:%d) is not userdata ,can not delete.\n");
  else
    ReportNullPointer(stem, line);
  return nullptr;
}

void ReportNullPointer(const char* stem, int line) { ReportError(stem, line, "(error) (%s:%d)  ptr is null.\n"); }

namespace {

bool Check(bool passes, lua_State* L, int index, const char* stem, int line, const char* format) {
  if (!passes) ReportError(stem, line, format, lua_typename(L, lua_type(L, index)));
  return passes;
}

}  // namespace

bool CheckString(lua_State* L, int index, const char* stem, int line, const char* format) {
  return Check(lua_isstring(L, index), L, index, stem, line, format);
}

bool CheckNumber(lua_State* L, int index, const char* stem, int line, const char* format) {
  return Check(lua_isnumber(L, index), L, index, stem, line, format);
}

bool CheckLightUserdata(lua_State* L, int index, const char* stem, int line, const char* format) {
  return Check(lua_type(L, index) == LUA_TLIGHTUSERDATA, L, index, stem, line, format);
}

bool ReadFieldOtherwise(lua_State* L, int index, FieldArgument& field, const char* stem, int line,
                        const char* format) {
  if (lua_isnumber(L, index)) {
    field.name = nullptr;
    field.index = IntegerArgument(L, index);
    return true;
  }
  if (!CheckString(L, index, stem, line, format)) return false;
  field.name = lua_tostring(L, index);
  return true;
}

void RegisterGlobals(lua_State* L, const luaL_Reg* functions) {
  for (const luaL_Reg* entry = functions; entry->name; ++entry) {
    lua_pushcclosure(L, entry->func, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, entry->name);
  }
}

}  // namespace sqlitescript
