// The main window's secondary windows: the download lists' context menu,
// the cover picture and the update notice.
#ifndef VELMORA_APP_SECONDARYWINDOWS_H
#define VELMORA_APP_SECONDARYWINDOWS_H

#include <string>

#include "ui/UIDefs.h"

class CControlUI;
class CTessaryDL;

// `owner` is the list whose "menu" notification asked for the menu;
// `screenPoint` is where the menu opens, in screen coordinates.
void OpenContextMenu(CControlUI* owner, POINT screenPoint);
// The picture named by the scripts' BookCoverPath, shown modally.
void ShowCoverPicture(CTessaryDL& mainWindow);
// The notice text (ANSI), shown modally; an empty one shows an empty notice.
void ShowUpdateNotice(CTessaryDL& mainWindow, const std::string& noticeText);

#endif
