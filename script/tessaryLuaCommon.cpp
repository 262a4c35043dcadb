#include "script/tessaryLuaCommon.h"

#include <cstring>

#include "base/CodePageText.h"
#include "base/ReportError.h"
#include "platform/CommandLine.h"
#include "platform/Path.h"
#include "script/ScriptLibraries.h"
#include "util/sysfile.h"

char configFilePath[260] = {};
unsigned char initSystemDone = 0;

namespace {

constexpr const char* kStem = "tessaryLuaCommon";
constexpr const char* kMainScript = "./ext/system.dll";
// The product title handed to SetDownloadCenterTitle; ASCII, so the same
// bytes in every code page.
constexpr const char* kProductTitle = "Velmora";

const char* ErrorTextOnTop(lua_State* L) {
  const char* text = lua_tostring(L, -1);
  return text ? text : "(error object is not a string)";
}

void SetGlobalString(lua_State* L, const char* name, const std::string& value) {
  lua_pushlstring(L, value.data(), value.size());
  lua_setfield(L, LUA_GLOBALSINDEX, name);
}

void SetStartParam(lua_State* L) {
  auto arguments = platform::ProcessCommandLine();
  lua_createtable(L, static_cast<int>(arguments.size()), 0);
  lua_Integer key = 1;
  for (const auto& argument : arguments) {
    lua_pushinteger(L, key++);
    std::string ansi = Utf16ToAnsi(argument);
    lua_pushlstring(L, ansi.data(), ansi.size());
    lua_settable(L, -3);
  }
  lua_setfield(L, LUA_GLOBALSINDEX, "startparam");
}

}  // namespace

LuaCommon::LuaCommon(LuaCommonHooks hooks) {
  luaState = luaL_newstate();
  if (!luaState) return;  // out of memory: every call below then fails cleanly
  luaL_openlibs(luaState);
  RegisterXmlScriptLibrary(luaState);
  RegisterDatabaseScriptLibrary(luaState);
  RegisterArchiveScriptLibrary(luaState);
  RegisterDownloadLibrary(luaState);
  RegisterFileSystemLibrary(luaState);
  RegisterRemoteControlLibrary(luaState);
  RegisterLanguageLibrary(luaState);

  exeDir = GetModuleDirectory();
  for (auto& c : exeDir)
    if (c == u'\\') c = u'/';
  std::string ansiExeDir = Utf16ToAnsi(exeDir);
  localServerPath = ansiExeDir + "/";
  platform::SetCurrentDirectory(exeDir);

  SetGlobalString(luaState, "curpath", ansiExeDir);
  SetGlobalString(luaState, "scriptPath", "/ext/");
  SetGlobalString(luaState, "ext", ".dll");

  std::memset(configFilePath, 0, sizeof configFilePath);
  std::string config = localServerPath + "dc-config.ini";
  // A path that does not fit would name another file; leave it empty instead.
  if (config.size() < sizeof configFilePath) std::memcpy(configFilePath, config.data(), config.size());

  if (hooks.startConfigBootstrap) hooks.startConfigBootstrap(*this);
  SetStartParam(luaState);
  if (hooks.registerWindowLibraries) hooks.registerWindowLibraries(luaState);
}

LuaCommon::~LuaCommon() {
  if (luaState) lua_close(luaState);
}

int LuaCommon::LoadMainScript(void* paintManager) {
  if (!luaState) return 1;
  int base = lua_gettop(luaState);
  int status = luaL_loadfile(luaState, kMainScript);
  if (status == 0) status = lua_pcall(luaState, 0, LUA_MULTRET, 0);
  if (status != 0) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) load script error='%s'.\n", ErrorTextOnTop(luaState));
    lua_settop(luaState, base);
    return 1;
  }
  lua_settop(luaState, base);  // values the chunk returned are not used
  CallScriptText("SetDownloadCenterTitle", kProductTitle);
  CallScriptText("SetLocalServerPath", localServerPath.c_str());
  CallScriptPointer("InitSystemControl", paintManager);
  return 0;
}

intptr_t LuaCommon::FinishCall(int argumentCount, int stackBase) {
  int status = lua_pcall(luaState, argumentCount, 1, 0);
  if (status != 0) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) pcall error:\t%s.\n", ErrorTextOnTop(luaState));
    lua_settop(luaState, stackBase);
    return status;
  }
  intptr_t result = lua_isnumber(luaState, -1) ? static_cast<intptr_t>(lua_tointeger(luaState, -1)) : 0;
  lua_settop(luaState, stackBase);
  return result;
}

intptr_t LuaCommon::CallScript(const char* name) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, name);
  return FinishCall(0, base);
}

intptr_t LuaCommon::CallScriptInt(const char* name, intptr_t value) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, name);
  lua_pushinteger(luaState, static_cast<lua_Integer>(value));
  return FinishCall(1, base);
}

intptr_t LuaCommon::CallScriptText(const char* name, const char* text) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, name);
  lua_pushstring(luaState, text ? text : "");
  return FinishCall(1, base);
}

intptr_t LuaCommon::CallScriptPointer(const char* name, void* pointer) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, name);
  lua_pushlightuserdata(luaState, pointer);
  return FinishCall(1, base);
}

intptr_t LuaCommon::CallOnMessage(uintptr_t wParam, intptr_t lParam) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, "OnMessage");
  lua_pushinteger(luaState, static_cast<lua_Integer>(wParam));
  lua_pushlightuserdata(luaState, reinterpret_cast<void*>(lParam));
  return FinishCall(2, base);
}

intptr_t LuaCommon::CallOnTabSelectEvent(void* notification, uintptr_t wParam, intptr_t lParam) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, "OnTabSelectEvent");
  lua_pushlightuserdata(luaState, notification);
  lua_pushinteger(luaState, static_cast<lua_Integer>(wParam));
  lua_pushinteger(luaState, static_cast<lua_Integer>(lParam));
  return FinishCall(3, base);
}

intptr_t LuaCommon::CallOnWindowMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, "OnWindowMessage");
  lua_pushinteger(luaState, static_cast<lua_Integer>(message));
  lua_pushlightuserdata(luaState, reinterpret_cast<void*>(wParam));
  lua_pushlightuserdata(luaState, reinterpret_cast<void*>(lParam));
  return FinishCall(3, base);
}

intptr_t LuaCommon::CallOnWindowMessageNumbers(unsigned message, int64_t wParam, int64_t lParam) {
  if (!luaState) return LUA_ERRMEM;
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, "OnWindowMessage");
  lua_pushinteger(luaState, static_cast<lua_Integer>(message));
  lua_pushnumber(luaState, static_cast<lua_Number>(wParam));
  lua_pushnumber(luaState, static_cast<lua_Number>(lParam));
  return FinishCall(3, base);
}

std::u16string LuaCommon::GetScriptGlobalText(const char* name) {
  if (!luaState) return {};
  int base = lua_gettop(luaState);
  lua_getfield(luaState, LUA_GLOBALSINDEX, name);
  std::u16string text;
  if (lua_isstring(luaState, -1)) {
    size_t length = 0;
    const char* bytes = lua_tolstring(luaState, -1, &length);
    text = AnsiToUtf16(std::string(bytes, length));
  } else {
    ReportError(kStem, __LINE__, "(error) (%s:%d) %s is not string value.\n", name);
  }
  lua_settop(luaState, base);
  return text;
}
