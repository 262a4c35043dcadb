// The calls a recording test script noted in its global array `calls`.
#ifndef VELMORA_TESTS_SCRIPT_RECORDEDCALLS_H
#define VELMORA_TESTS_SCRIPT_RECORDEDCALLS_H

#include <lua.hpp>

#include <string>
#include <vector>

// The texts in the script's global array `calls`, left in place.
inline std::vector<std::string> ScriptCalls(lua_State* L) {
  std::vector<std::string> out;
  lua_getglobal(L, "calls");
  for (int i = 1; lua_istable(L, -1); ++i) {
    lua_rawgeti(L, -1, i);
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      break;
    }
    out.emplace_back(lua_tostring(L, -1));
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return out;
}

// The texts in the script's global array `calls` (and empties it).
inline std::vector<std::string> TakeScriptCalls(lua_State* L) {
  std::vector<std::string> out = ScriptCalls(L);
  lua_newtable(L);
  lua_setglobal(L, "calls");
  return out;
}

#endif
