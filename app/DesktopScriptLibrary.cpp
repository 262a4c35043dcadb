#include "app/DesktopScriptLibrary.h"

#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "app/LoginAutostart.h"
#include "platform/ChildProcess.h"

namespace {

int SetOpenAtLoginLua(lua_State* L) {
  if (!lua_isboolean(L, 1)) {
    lua_pushboolean(L, 0);
    lua_pushstring(L, "desktop_setOpenAtLogin takes true or false");
    return 2;
  }
  std::string error;
  const bool done = SetOpenAtLogin(lua_toboolean(L, 1) != 0, RunningProgramDirectory() + "/velmora",
                                   UserFoldersFromEnvironment(), error);
  lua_pushboolean(L, done);
  if (done) return 1;
  lua_pushstring(L, error.c_str());
  return 2;
}

int IsOpenAtLoginLua(lua_State* L) {
  lua_pushboolean(L, IsOpenAtLogin(UserFoldersFromEnvironment()));
  return 1;
}

// The program of argv[0]: a path as given when it can be run, else found
// on PATH; empty when neither.
std::string ProgramOf(const std::string& first) {
  if (first.find('/') != std::string::npos) return access(first.c_str(), X_OK) == 0 ? first : std::string();
  return platform::FindProgram(first);
}

int RunLua(lua_State* L) {
  std::vector<std::string> argv;
  if (lua_istable(L, 1)) {
    const int count = static_cast<int>(lua_objlen(L, 1));
    for (int i = 1; i <= count; ++i) {
      lua_rawgeti(L, 1, i);
      if (lua_type(L, -1) == LUA_TSTRING) argv.emplace_back(lua_tostring(L, -1));
      lua_pop(L, 1);
      if (static_cast<int>(argv.size()) != i) break;
    }
    if (static_cast<int>(argv.size()) != count) argv.clear();
  }
  if (argv.empty() || argv[0].empty()) {
    lua_pushboolean(L, 0);
    lua_pushstring(L, "desktop_run takes a list of words, the program first");
    return 2;
  }
  const std::string program = ProgramOf(argv[0]);
  if (program.empty()) {
    lua_pushboolean(L, 0);
    lua_pushstring(L, (argv[0] + ": no such program").c_str());
    return 2;
  }
  argv[0] = program;
  // The window does not wait for it; the thread only reaps the child.
  std::thread([argv] { platform::RunProgram(argv, {}); }).detach();
  lua_pushboolean(L, 1);
  return 1;
}

}  // namespace

void RegisterDesktopScriptLibrary(lua_State* L) {
  lua_register(L, "desktop_setOpenAtLogin", SetOpenAtLoginLua);
  lua_register(L, "desktop_isOpenAtLogin", IsOpenAtLoginLua);
  lua_register(L, "desktop_run", RunLua);
}
