// Script functions for desktop settings:
//   desktop_setOpenAtLogin(on)  -> true, or false and a message
//   desktop_isOpenAtLogin()     -> true or false
//   desktop_run({program, args...}) -> true, or false and a message; starts
//     the program (a full path, or a name found on PATH) without a shell
//     and without waiting for it
// The entry starts the `velmora` beside the running executable.
#ifndef VELMORA_APP_DESKTOPSCRIPTLIBRARY_H
#define VELMORA_APP_DESKTOPSCRIPTLIBRARY_H

#include <lua.hpp>

void RegisterDesktopScriptLibrary(lua_State* L);

#endif
