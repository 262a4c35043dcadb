// The function tables of the ui_* library, one per source file; each ends
// with a null entry.
#ifndef VELMORA_UI_BINDINGS_SCRIPTBINDINGSTABLES_H
#define VELMORA_UI_BINDINGS_SCRIPTBINDINGSTABLES_H

#include <lua.hpp>

namespace uiscript {

const luaL_Reg* ControlFunctions();
const luaL_Reg* ListFunctions();
const luaL_Reg* WindowFunctions();
const luaL_Reg* ListSelectionFunctions();
const luaL_Reg* DesktopFunctions();

}  // namespace uiscript

#endif
