// The main window's secondary windows: the download lists' context menu, the
// cover picture and the update notice.
#ifndef VELMORA_APP_SECONDARYWINDOWS_H
#define VELMORA_APP_SECONDARYWINDOWS_H

#include <string>

#include "ui/UIDefs.h"

class CTessaryDL;

// `screenPoint` is where the menu opens, in screen coordinates.
void OpenContextMenu(CTessaryDL& mainWindow, POINT screenPoint);
void ShowCoverPicture(CTessaryDL& mainWindow);
void ShowUpdateNotice(CTessaryDL& mainWindow, const std::string& noticeText);

#endif
