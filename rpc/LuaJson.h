// JSON values as Lua values and back, for the calls the scripts serve.
// Objects become tables with string keys, arrays tables 1..n, null nil.
// A table is written as an array when its keys are exactly 1..n (an empty
// table too), unless its metatable has __jsonobject set. Nesting deeper
// than kMaxDepth (a table that holds itself, say) is written as null.
#ifndef VELMORA_RPC_LUAJSON_H
#define VELMORA_RPC_LUAJSON_H

#include <lua.hpp>

#include <nlohmann/json.hpp>

namespace rpc {

constexpr int kLuaJsonMaxDepth = 64;

// Pushes one value; needs up to kLuaJsonMaxDepth stack slots, checked.
void PushJson(lua_State* L, const nlohmann::json& value);
nlohmann::json JsonFromLua(lua_State* L, int index);

}  // namespace rpc

#endif
