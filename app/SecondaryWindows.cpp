#include "app/SecondaryWindows.h"

// The menu window built from menu.xml lands here.
void OpenContextMenu(CTessaryDL&, POINT) {}

// The picture window built from picture.xml (BookCoverPath) lands here.
void ShowCoverPicture(CTessaryDL&) {}

// The notice window built from updateinfo.xml lands here.
void ShowUpdateNotice(CTessaryDL&, const std::string&) {}
