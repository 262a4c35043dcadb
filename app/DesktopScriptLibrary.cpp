#include "app/DesktopScriptLibrary.h"

#include <string>

#include "app/LoginAutostart.h"

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

}  // namespace

void RegisterDesktopScriptLibrary(lua_State* L) {
  lua_register(L, "desktop_setOpenAtLogin", SetOpenAtLoginLua);
  lua_register(L, "desktop_isOpenAtLogin", IsOpenAtLoginLua);
}
