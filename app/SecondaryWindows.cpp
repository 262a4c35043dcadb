#include "app/SecondaryWindows.h"

#include "app/CMenuWnd.h"
#include "app/CPicture.h"
#include "app/UpdateInfo.h"

void OpenContextMenu(CControlUI* owner, POINT screenPoint) { CMenuWnd::Open(owner, screenPoint); }

void ShowCoverPicture(HWND owner, std::u16string_view picturePath) {
  CPicture picture(picturePath);
  if (!picture.CreatePopup(owner)) return;
  picture.CenterWindow();
  picture.ShowModal();
}

void ShowUpdateNotice(HWND owner, const std::string& noticeText) {
  UpdateInfo notice;
  if (!notice.CreatePopup(owner)) return;
  notice.SetNotice(noticeText);
  notice.CenterWindow();
  notice.ShowModal();
}
