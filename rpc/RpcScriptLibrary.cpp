#include "rpc/RpcScriptLibrary.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <string>

#include "platform/RandomBytes.h"
#include "rpc/LuaJson.h"
#include "rpc/RpcServer.h"

namespace {

using rpc::CallOutcome;
using rpc::RpcServer;

constexpr const char* kServerKey = "velmora.rpc.server";
constexpr int kServerFailure = 1;

// The slot in the registry that owns the server, if one runs.
struct ServerSlot {
  std::unique_ptr<RpcServer> server;
  bool serving = false;  // a handler runs: the server must outlive it
};

ServerSlot* Slot(lua_State* L) {
  lua_getfield(L, LUA_REGISTRYINDEX, kServerKey);
  auto* slot = static_cast<ServerSlot*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  return slot;
}

int NilAndMessage(lua_State* L, const std::string& message, const char* cause) {
  lua_pushnil(L);
  lua_pushlstring(L, message.data(), message.size());
  lua_pushstring(L, cause);
  return 3;
}

std::string FieldText(lua_State* L, int table, const char* name, const char* fallback) {
  lua_getfield(L, table, name);
  std::string text = lua_isstring(L, -1) ? lua_tostring(L, -1) : fallback;
  lua_pop(L, 1);
  return text;
}

void LogLine(const std::string& line) {
  char stamp[32] = {};
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  if (gmtime_r(&now, &parts)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts);
  std::fprintf(stderr, "%s velmora %s\n", stamp, line.c_str());
}

// rpc_start{ host=, port=, secret=, origins={...}, allowPlain=, certificate=, key= }
// -> the port listened on, or nil, message, cause.
int rpc_start(lua_State* L) {
  if (!lua_istable(L, 1)) return NilAndMessage(L, "rpc_start takes a table of settings", "bad-input");
  ServerSlot* slot = Slot(L);
  if (!slot) return NilAndMessage(L, "the rpc library is not set up", "internal");
  if (slot->server) return NilAndMessage(L, "the remote-control server runs already", "bad-input");
  rpc::RpcServerOptions options;
  options.host = FieldText(L, 1, "host", "127.0.0.1");
  lua_getfield(L, 1, "port");
  const lua_Number port = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : 6800;
  lua_pop(L, 1);
  if (port < 0 || port > 65535 || port != static_cast<int>(port)) {
    return NilAndMessage(L, "the port must be a whole number from 0 to 65535", "bad-input");
  }
  options.port = static_cast<uint16_t>(port);
  options.secret = FieldText(L, 1, "secret", "");
  options.certificateFile = FieldText(L, 1, "certificate", "");
  options.keyFile = FieldText(L, 1, "key", "");
  lua_getfield(L, 1, "allowPlain");
  options.allowPlainBeyondLoopback = lua_toboolean(L, -1);
  lua_pop(L, 1);
  lua_getfield(L, 1, "origins");
  if (lua_istable(L, -1)) {
    for (int i = 1;; ++i) {
      lua_rawgeti(L, -1, i);
      if (!lua_isstring(L, -1)) {
        lua_pop(L, 1);
        break;
      }
      options.allowedOrigins.emplace_back(lua_tostring(L, -1));
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);
  options.log = LogLine;
  auto server = std::make_unique<RpcServer>(std::move(options));
  if (const Failure failure = server->Start()) {
    return NilAndMessage(L, failure.message, FailureCauseName(failure.cause));
  }
  lua_pushinteger(L, server->port());
  slot->server = std::move(server);
  return 1;
}

// rpc_stop() -> true, or false when called from a handler (the server is
// still answering that very call).
int rpc_stop(lua_State* L) {
  ServerSlot* slot = Slot(L);
  const bool stopped = slot && !slot->serving;
  if (stopped) slot->server.reset();
  lua_pushboolean(L, stopped);
  return 1;
}

int rpc_running(lua_State* L) {
  ServerSlot* slot = Slot(L);
  if (!slot || !slot->server) return 0;
  lua_pushinteger(L, slot->server->port());
  return 1;
}

// Runs the handler on the stack at index 1 for one call; a handler that
// raises or answers nothing gives an error to the client, never to the host.
CallOutcome RunHandler(lua_State* L, const std::string& method, const nlohmann::json& params) {
  CallOutcome outcome;
  const int base = lua_gettop(L);
  lua_pushvalue(L, 1);
  lua_pushlstring(L, method.data(), method.size());
  rpc::PushJson(L, params);
  if (lua_pcall(L, 2, 3, 0) != 0) {
    outcome.failed = true;
    outcome.code = kServerFailure;
    const char* text = lua_tostring(L, -1);
    outcome.message = text ? text : "the call failed";
  } else if (lua_isnil(L, base + 1)) {
    outcome.failed = true;
    outcome.code = lua_isnumber(L, base + 3) ? static_cast<int>(lua_tonumber(L, base + 3)) : kServerFailure;
    const char* text = lua_tostring(L, base + 2);
    outcome.message = text ? text : "the call failed";
  } else {
    outcome.result = rpc::JsonFromLua(L, base + 1);
  }
  lua_settop(L, base);
  return outcome;
}

// rpc_serve(handler) -> how many calls ran. handler(method, params) answers
// the result, or nil, message [, code].
int rpc_serve(lua_State* L) {
  if (!lua_isfunction(L, 1)) return NilAndMessage(L, "rpc_serve takes the function that serves a call", "bad-input");
  lua_settop(L, 1);
  ServerSlot* slot = Slot(L);
  if (!slot || !slot->server) {
    lua_pushinteger(L, 0);
    return 1;
  }
  if (slot->serving) return NilAndMessage(L, "rpc_serve cannot run inside a call it serves", "bad-input");
  slot->serving = true;
  const std::size_t ran = slot->server->Serve(
      [L](const std::string& method, const nlohmann::json& params) { return RunHandler(L, method, params); });
  slot->serving = false;
  lua_pushinteger(L, static_cast<lua_Integer>(ran));
  return 1;
}

// Native functions never raise: a bad argument gives nil, message, cause.
// rpc_notify(method, gid)
int rpc_notify(lua_State* L) {
  if (lua_type(L, 1) != LUA_TSTRING || lua_type(L, 2) != LUA_TSTRING) {
    return NilAndMessage(L, "rpc_notify takes a method name and an identifier", "bad-input");
  }
  const char* method = lua_tostring(L, 1);
  const char* gid = lua_tostring(L, 2);
  ServerSlot* slot = Slot(L);
  if (slot && slot->server) slot->server->Notify(method, gid);
  return 0;
}

// rpc_randomHex(bytes) -> 2*bytes hex digits from the kernel's random
// source, or nil and a message.
int rpc_randomHex(lua_State* L) {
  const lua_Integer count = lua_isnumber(L, 1) ? lua_tointeger(L, 1) : 0;
  if (count < 1 || count > 64) return NilAndMessage(L, "rpc_randomHex takes 1 to 64 bytes", "bad-input");
  unsigned char bytes[64];
  if (!platform::FillRandomBytes(bytes, static_cast<std::size_t>(count))) {
    return NilAndMessage(L, "the system's random source failed", "internal");
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (lua_Integer i = 0; i < count; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  lua_pushlstring(L, text.data(), text.size());
  return 1;
}

int CollectSlot(lua_State* L) {
  auto* slot = static_cast<ServerSlot*>(lua_touserdata(L, 1));
  if (slot) slot->~ServerSlot();
  return 0;
}

const luaL_Reg kFunctions[] = {
    {"rpc_start", rpc_start},   {"rpc_stop", rpc_stop},         {"rpc_running", rpc_running},
    {"rpc_serve", rpc_serve},   {"rpc_notify", rpc_notify},     {"rpc_randomHex", rpc_randomHex},
    {nullptr, nullptr},
};

}  // namespace

static_assert(alignof(ServerSlot) <= alignof(double) && alignof(ServerSlot) <= alignof(void*));

void RegisterRpcScriptLibrary(lua_State* L) {
  // Anchored in the registry so closing the interpreter stops the server.
  void* memory = lua_newuserdata(L, sizeof(ServerSlot));
  new (memory) ServerSlot();
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, CollectSlot);
  lua_setfield(L, -2, "__gc");
  lua_setmetatable(L, -2);
  lua_setfield(L, LUA_REGISTRYINDEX, kServerKey);
  for (const luaL_Reg* f = kFunctions; f->name; ++f) {
    lua_pushcfunction(L, f->func);
    lua_setfield(L, LUA_GLOBALSINDEX, f->name);
  }
}

bool WaitForScriptRpcCalls(lua_State* L, int milliseconds) {
  ServerSlot* slot = Slot(L);
  if (!slot || !slot->server) return false;
  return slot->server->WaitForCalls(milliseconds);
}

bool ScriptRpcServerRunning(lua_State* L) {
  ServerSlot* slot = Slot(L);
  return slot && slot->server;
}
