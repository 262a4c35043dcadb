// A message handler for lua_pcall that turns an error into the message plus
// a stack traceback, for tools that show script errors to a person.
#ifndef VELMORA_SCRIPT_LUATRACEBACK_H
#define VELMORA_SCRIPT_LUATRACEBACK_H

#include <lua.hpp>

int LuaTracebackHandler(lua_State* L);

#endif
