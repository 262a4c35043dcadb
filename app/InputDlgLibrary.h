// The scripts' input-dialog library, the global table inputDlg:
//   inputDlg.new(parentWindow)  -> dialog (light userdata), created and centred
//   inputDlg.showmodule(dialog) -> the accepted text (ANSI), or nothing
//   inputDlg.del(dialog)        -> frees the dialog; nothing
// A first argument that is not a light userdata is reported and answered
// with nothing. Window thread only.
#ifndef VELMORA_APP_INPUTDLGLIBRARY_H
#define VELMORA_APP_INPUTDLGLIBRARY_H

#include <lua.hpp>

void RegisterInputDlgLibrary(lua_State* L);

// Dialogs made by inputDlg.new and not yet deleted (tests).
int LiveInputDialogCount();

#endif
