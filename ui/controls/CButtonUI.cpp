#include "ui/controls/CButtonUI.h"

#include <QGuiApplication>

#include "ui/controls/FocusChain.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"

namespace {

bool ShiftHeld() { return QGuiApplication::keyboardModifiers() & Qt::ShiftModifier; }

}  // namespace

CButtonUI::CButtonUI() { textStyle_ = ui::kTextCenter | ui::kTextVCenter | ui::kTextSingleLine | ui::kTextEndEllipsis; }

bool CButtonUI::Activate() {
  if (!IsShown() || !enabled_) return false;
  Notify(u"click");
  return true;
}

void CButtonUI::DoEvent(TEventUI& event) {
  if (!enabled_ && event.Type != UIEVENT_MOUSELEAVE) {
    CLabelUI::DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      pushed_ = true;
      Invalidate();
      return;
    case UIEVENT_MOUSEMOVE:
      return;
    case UIEVENT_BUTTONUP: {
      const bool wasPushed = pushed_;
      pushed_ = false;
      Invalidate();
      if (wasPushed && PointInRect(pos_, event.ptMouse)) Activate();
      return;
    }
    case UIEVENT_KEYDOWN:
      if (event.chKey == VK_SPACE || event.chKey == VK_RETURN) {
        Activate();
        return;
      }
      if (event.chKey == VK_TAB) {
        ui::MoveFocus(this, !ShiftHeld());
        return;
      }
      break;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

bool CButtonUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  std::uint32_t* target = nullptr;
  if (name == u"hotbkcolor") target = &hotBkColor_;
  if (name == u"pushedbkcolor") target = &pushedBkColor_;
  if (name == u"hottextcolor") target = &hotTextColor_;
  if (name == u"pushedtextcolor") target = &pushedTextColor_;
  if (!target) return CLabelUI::SetAttribute(name, value);
  ui::ParseColor(value, *target);
  return true;
}

void CButtonUI::PaintBkColor(UIRenderContext& ctx) {
  const std::uint32_t saved = bkColor_;
  if (enabled_ && pushed_ && pushedBkColor_)
    bkColor_ = pushedBkColor_;
  else if (enabled_ && (hot_ || pushed_) && hotBkColor_)
    bkColor_ = hotBkColor_;
  CLabelUI::PaintBkColor(ctx);
  bkColor_ = saved;
}

std::uint32_t CButtonUI::CurrentTextColor() const {
  if (enabled_ && pushed_ && pushedTextColor_) return pushedTextColor_;
  if (enabled_ && hot_ && hotTextColor_) return hotTextColor_;
  return CLabelUI::CurrentTextColor();
}
