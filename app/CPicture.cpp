#include "app/CPicture.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/WorkArea.h"
#include "lang/Texts.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "ui/controls/UIImage.h"

namespace {

constexpr std::array<std::u16string_view, 9> kDraggableClasses = {
    u"controlui",        u"textui",          u"labelui",        u"containerui",   u"horizontallayoutui",
    u"verticallayoutui", u"tablayoutui",     u"childlayoutui",  u"dialoglayoutui"};

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// Only plain surfaces drag the window: the control and every ancestor.
bool DragsWindow(const CControlUI* control) {
  for (; control; control = control->GetParent()) {
    const std::u16string kind = Lower(control->GetClass());
    if (std::find(kDraggableClasses.begin(), kDraggableClasses.end(), kind) == kDraggableClasses.end()) return false;
  }
  return true;
}

}  // namespace

CPicture::CPicture(std::u16string_view path) : CPopupFrame(u"picture.xml"), picturePath(path) {}

void CPicture::OnLayoutAttached() {
  SetWindowText(GetHWND(), lang::Text16("host.previewTitle").c_str());
  closeButton = paintManager.FindControl(u"closebtn");
  SizeWindow();
}

void CPicture::SizeWindow() {
  const HWND hwnd = GetHWND();
  CControlUI* container = paintManager.FindControl(u"pic_container");
  if (container) {
    int width = kFallbackCoverWidth;
    int height = kFallbackCoverHeight;
    std::u16string image = u"cover.png";
    const std::string nativePath = platform::NativePathFromWide(picturePath);
    if (!picturePath.empty() && platform::PathKindOf(nativePath) != platform::PathKind::Missing) {
      const SIZE size = ui::ImageSize(picturePath);
      if (size.cx >= 1 && size.cy >= 1) {
        width = size.cx;
        height = size.cy;
        image = picturePath;
      }
    }
    container->SetBkImage(image);
    const RECT work = WorkAreaOrDefault(hwnd);
    fit = FitCover(width, height, work.right - work.left, work.bottom - work.top);
    const RECT place{fit.pictureX, fit.pictureY, fit.pictureX + fit.pictureWidth, fit.pictureY + fit.pictureHeight};
    container->SetFixedWidth(fit.pictureWidth);
    container->SetFixedHeight(fit.pictureHeight);
    container->SetFloatPos(place);
    container->SetPos(place);
    if (closeButton) {
      const RECT close{fit.windowWidth - 43, 5, fit.windowWidth - 5, 38};
      closeButton->SetFloatPos(close);
      closeButton->SetPos(close);
    }
  }
  SetWindowPos(hwnd, nullptr, 0, 0, fit.windowWidth, fit.windowHeight,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  CenterWindow();
}

LRESULT CPicture::HitTest(POINT pt) {
  if (!InCaption(pt, true)) return HTCLIENT;
  const CControlUI* control = paintManager.FindControl(pt);
  return control && DragsWindow(control) ? HTCAPTION : HTCLIENT;
}

void CPicture::Notify(TNotifyUI& msg) {
  if ((msg.sType == u"click" && msg.pSender && msg.pSender == closeButton) || msg.sType == u"itemdoubleclick") {
    Close(1);
  }
}
