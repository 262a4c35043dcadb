// The windows scripts open beyond the design's input dialog: modal dialogs
// built from a skin layout (ui_runDialog, ui_dialogManager, ui_endDialog),
// the desktop's folder chooser (ui_chooseFolder), menus from a skin layout
// under a control or at the mouse (ui_popupMenu), and the program's version
// (ui_productVersion). See docs/ui-scripting.md. Window thread only.
#ifndef VELMORA_APP_DIALOGSCRIPTLIBRARY_H
#define VELMORA_APP_DIALOGSCRIPTLIBRARY_H

#include <functional>
#include <optional>
#include <string>

#include <lua.hpp>

void RegisterDialogScriptLibrary(lua_State* L);

// What ui_chooseFolder asks: given the title and the folder to start in
// (UTF-16), the chosen folder, or nothing when the user cancelled. Tests
// replace it; the default is the desktop's own folder dialog.
using FolderChooser = std::function<std::optional<std::u16string>(const std::u16string& title,
                                                                    const std::u16string& start)>;
FolderChooser SetFolderChooser(FolderChooser chooser);

// The dialogs running now, innermost last; tests reach their controls.
class CScriptDialog;
CScriptDialog* InnermostScriptDialog();

#endif
