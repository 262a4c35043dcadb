#include "script/LuaTraceback.h"

int LuaTracebackHandler(lua_State* L) {
  const char* message = lua_tostring(L, 1);
  lua_getfield(L, LUA_GLOBALSINDEX, "debug");
  if (!lua_istable(L, -1)) {  // a script may have removed the debug library
    lua_pushstring(L, message ? message : "(error object is not a string)");
    return 1;
  }
  lua_getfield(L, -1, "traceback");
  lua_pushstring(L, message ? message : "(error object is not a string)");
  lua_pushinteger(L, 2);
  lua_call(L, 2, 1);
  return 1;
}
