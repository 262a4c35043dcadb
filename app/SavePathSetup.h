// Where downloads may be stored: the registered install save path and the
// drives that carry a download folder, handed to the scripts. The main window
// calls these at creation, at window initialisation and after each
// configuration answer.
#ifndef VELMORA_APP_SAVEPATHSETUP_H
#define VELMORA_APP_SAVEPATHSETUP_H

#include <string>

class LuaCommon;

// True when an install save path exists (after handing it to SetFileSavePath).
bool CheckInstallPath(LuaCommon& script);
// The install save path as wide text, handed to SetFileSavePath when not empty.
std::u16string TakeInstallSavePath(LuaCommon& script);
// Builds the save-location list and hands it to InitSavePathList.
void BuildSaveLocationList(LuaCommon& script);

#endif
