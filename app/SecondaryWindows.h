// The main window's secondary windows: the download lists' context menu,
// the cover picture and the update notice.
#ifndef VELMORA_APP_SECONDARYWINDOWS_H
#define VELMORA_APP_SECONDARYWINDOWS_H

#include <string>
#include <string_view>

#include "ui/UIDefs.h"

class CControlUI;

// `owner` is the list whose "menu" notification asked for the menu;
// `screenPoint` is where the menu opens, in screen coordinates.
void OpenContextMenu(CControlUI* owner, POINT screenPoint);
// The picture at `picturePath` (the scripts' BookCoverPath), shown modally
// over `owner`, the main window.
void ShowCoverPicture(HWND owner, std::u16string_view picturePath);
// The notice text (ANSI), shown modally over `owner`; an empty one shows an
// empty notice.
void ShowUpdateNotice(HWND owner, const std::string& noticeText);

#endif
