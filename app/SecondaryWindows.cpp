#include "app/SecondaryWindows.h"

#include "app/CMenuWnd.h"
#include "app/CPicture.h"
#include "app/CTessaryDL.h"
#include "app/UpdateInfo.h"

void OpenContextMenu(CControlUI* owner, POINT screenPoint) { CMenuWnd::Open(owner, screenPoint); }

void ShowCoverPicture(CTessaryDL& mainWindow) {
  CPicture picture(mainWindow.Script().GetScriptGlobalText("BookCoverPath"));
  if (!picture.CreatePopup(mainWindow.GetHWND())) return;
  picture.CenterWindow();
  picture.ShowModal();
}

void ShowUpdateNotice(CTessaryDL& mainWindow, const std::string& noticeText) {
  UpdateInfo notice;
  if (!notice.CreatePopup(mainWindow.GetHWND())) return;
  notice.SetNotice(noticeText);
  notice.CenterWindow();
  notice.ShowModal();
}
