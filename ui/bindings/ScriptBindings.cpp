#include "ui/bindings/ScriptBindings.h"

#include "ui/bindings/ScriptBindingsTables.h"

namespace {

// Each function becomes a global, as the other native libraries do.
void RegisterTable(lua_State* L, const luaL_Reg* functions) {
  for (const luaL_Reg* f = functions; f->name; ++f) {
    lua_pushcclosure(L, f->func, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, f->name);
  }
}

}  // namespace

void RegisterUiScriptLibrary(lua_State* L) {
  RegisterTable(L, uiscript::ControlFunctions());
  RegisterTable(L, uiscript::ListFunctions());
  RegisterTable(L, uiscript::WindowFunctions());
  RegisterTable(L, uiscript::ListSelectionFunctions());
  RegisterTable(L, uiscript::DesktopFunctions());
}
