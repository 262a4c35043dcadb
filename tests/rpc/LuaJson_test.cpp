#include "rpc/LuaJson.h"

#include <gtest/gtest.h>

namespace {

using nlohmann::json;

struct State {
  lua_State* L = luaL_newstate();
  ~State() { lua_close(L); }
};

TEST(LuaJson, ValuesGoThereAndBackUnchanged) {
  State s;
  const json value = json::parse(R"({"a":[1,2.5,"x",true,{"b":"c"}],"n":-3,"s":"\u00e9"})");
  rpc::PushJson(s.L, value);
  EXPECT_EQ(lua_gettop(s.L), 1);
  EXPECT_EQ(rpc::JsonFromLua(s.L, -1), value);
}

TEST(LuaJson, EmptyTablesAreArraysUnlessMarkedAsObjects) {
  State s;
  lua_newtable(s.L);
  EXPECT_EQ(rpc::JsonFromLua(s.L, -1), json::array());
  lua_createtable(s.L, 0, 1);
  lua_pushboolean(s.L, 1);
  lua_setfield(s.L, -2, "__jsonobject");
  lua_setmetatable(s.L, -2);
  EXPECT_EQ(rpc::JsonFromLua(s.L, -1), json::object());
}

TEST(LuaJson, MixedKeysMakeAnObjectAndHolesAreNoArray) {
  State s;
  luaL_dostring(s.L, "return { 'a', x = 1 }, { [1] = 'a', [3] = 'c' }");
  EXPECT_EQ(rpc::JsonFromLua(s.L, 1), json({{"1", "a"}, {"x", 1}}));
  EXPECT_TRUE(rpc::JsonFromLua(s.L, 2).is_object());
}

TEST(LuaJson, ATableHoldingItselfEndsInNullInsteadOfOverflowing) {
  State s;
  luaL_dostring(s.L, "local t = {} t.self = t return t");
  const json out = rpc::JsonFromLua(s.L, -1);
  const json* at = &out;
  int depth = 0;
  while (at->is_object()) {
    at = &(*at)["self"];
    ++depth;
  }
  EXPECT_TRUE(at->is_null());
  EXPECT_LE(depth, rpc::kLuaJsonMaxDepth + 1);
}

}  // namespace
