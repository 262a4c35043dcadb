// The ui_* script library: global functions through which scripts read
// notifications and work the controls and windows of the UI library.
// Handles are light userdata (controls, paint managers, notifications,
// window handles), checked before use; a bad argument is reported to the
// diagnostic hook and the function returns nothing. Text crosses in the
// ANSI code page. Registered by the windowed host; see docs/ui-scripting.md.
#ifndef VELMORA_UI_BINDINGS_SCRIPTBINDINGS_H
#define VELMORA_UI_BINDINGS_SCRIPTBINDINGS_H

#include <functional>
#include <string>

#include <lua.hpp>

void RegisterUiScriptLibrary(lua_State* L);

// What ui_openUrl does with its target (a file, folder or URL as UTF-16);
// tests replace it. The default hands it to the desktop.
using DesktopOpener = std::function<bool(const std::u16string& target)>;
DesktopOpener SetDesktopOpener(DesktopOpener opener);

#endif
