#include "app/SavePathSetup.h"

// The registry read, the drive scan and the JSON list land here. Until they
// do, start-up goes on as if an install path existed and hands nothing over.
bool CheckInstallPath(LuaCommon&) { return true; }

std::u16string TakeInstallSavePath(LuaCommon&) { return {}; }

void BuildSaveLocationList(LuaCommon&) {}
