#include "rpc/LuaJson.h"

#include <cmath>
#include <string>

namespace rpc {

namespace {

using nlohmann::json;

void Push(lua_State* L, const json& value, int depth) {
  if (depth > kLuaJsonMaxDepth || !lua_checkstack(L, 3)) {
    lua_pushnil(L);
    return;
  }
  switch (value.type()) {
    case json::value_t::boolean: lua_pushboolean(L, value.get<bool>()); return;
    case json::value_t::number_integer: lua_pushnumber(L, static_cast<lua_Number>(value.get<int64_t>())); return;
    case json::value_t::number_unsigned: lua_pushnumber(L, static_cast<lua_Number>(value.get<uint64_t>())); return;
    case json::value_t::number_float: lua_pushnumber(L, value.get<double>()); return;
    case json::value_t::string: {
      const std::string& text = value.get_ref<const std::string&>();
      lua_pushlstring(L, text.data(), text.size());
      return;
    }
    case json::value_t::array: {
      lua_createtable(L, static_cast<int>(value.size()), 0);
      int i = 0;
      for (const json& item : value) {
        Push(L, item, depth + 1);
        lua_rawseti(L, -2, ++i);
      }
      return;
    }
    case json::value_t::object: {
      lua_createtable(L, 0, static_cast<int>(value.size()));
      for (const auto& [key, item] : value.items()) {
        lua_pushlstring(L, key.data(), key.size());
        Push(L, item, depth + 1);
        lua_rawset(L, -3);
      }
      return;
    }
    default: lua_pushnil(L); return;
  }
}

bool MarkedObject(lua_State* L, int index) {
  if (!lua_getmetatable(L, index)) return false;
  lua_getfield(L, -1, "__jsonobject");
  const bool marked = lua_toboolean(L, -1);
  lua_pop(L, 2);
  return marked;
}

json FromLua(lua_State* L, int index, int depth);

json TableFromLua(lua_State* L, int index, int depth) {
  const size_t length = lua_objlen(L, index);
  size_t count = 0;
  bool arrayKeys = true;
  for (lua_pushnil(L); lua_next(L, index); lua_pop(L, 1)) {
    ++count;
    if (lua_type(L, -2) != LUA_TNUMBER) arrayKeys = false;
  }
  if (arrayKeys && count == length && !MarkedObject(L, index)) {
    json out = json::array();
    for (size_t i = 1; i <= length; ++i) {
      lua_rawgeti(L, index, static_cast<int>(i));
      out.push_back(FromLua(L, lua_gettop(L), depth + 1));
      lua_pop(L, 1);
    }
    return out;
  }
  json out = json::object();
  for (lua_pushnil(L); lua_next(L, index); lua_pop(L, 1)) {
    lua_pushvalue(L, -2);  // lua_tolstring on the key itself would confuse lua_next
    size_t keyLength = 0;
    const char* key = lua_tolstring(L, -1, &keyLength);
    if (key) out[std::string(key, keyLength)] = FromLua(L, lua_gettop(L) - 1, depth + 1);
    lua_pop(L, 1);
  }
  return out;
}

json FromLua(lua_State* L, int index, int depth) {
  if (depth > kLuaJsonMaxDepth || !lua_checkstack(L, 4)) return nullptr;
  switch (lua_type(L, index)) {
    case LUA_TBOOLEAN: return lua_toboolean(L, index) != 0;
    case LUA_TNUMBER: {
      const double number = lua_tonumber(L, index);
      if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 9.0e15) {
        return static_cast<int64_t>(number);
      }
      return std::isfinite(number) ? json(number) : json(nullptr);
    }
    case LUA_TSTRING: {
      size_t length = 0;
      const char* text = lua_tolstring(L, index, &length);
      return std::string(text, length);
    }
    case LUA_TTABLE: return TableFromLua(L, index, depth);
    default: return nullptr;
  }
}

}  // namespace

void PushJson(lua_State* L, const json& value) { Push(L, value, 0); }

json JsonFromLua(lua_State* L, int index) {
  if (index < 0 && index > LUA_REGISTRYINDEX) index = lua_gettop(L) + index + 1;
  return FromLua(L, index, 0);
}

}  // namespace rpc
