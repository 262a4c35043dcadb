// The base control: geometry, the common layout attributes, state images
// and the default painting (background colour, background image, state
// image, text, border), in that order.
#include "ui/controls/CControlUI.h"

#include <algorithm>
#include <unordered_map>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include "ui/controls/ControlRegistry.h"
#include "ui/controls/LayoutStyle.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIImage.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"
#include "ui/window/WindowApi.h"

namespace {

// The tooltip shows after the mouse rested this long on the control.
constexpr UINT kToolTipTimer = 0x7E01;
constexpr UINT kToolTipDelayMs = 600;

bool Intersects(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

unsigned ParseHorizontalAlign(std::u16string_view value, unsigned style) {
  style &= ~(ui::kTextCenter | ui::kTextRight);
  if (value == u"center") style |= ui::kTextCenter;
  if (value == u"right") style |= ui::kTextRight;
  return style;
}

unsigned ParseVerticalAlign(std::u16string_view value, unsigned style) {
  style &= ~(ui::kTextVCenter | ui::kTextBottom);
  if (value == u"center" || value == u"vcenter") style |= ui::kTextVCenter;
  if (value == u"bottom") style |= ui::kTextBottom;
  return style;
}

unsigned SetFlag(unsigned style, unsigned flag, bool on) { return on ? (style | flag) : (style & ~flag); }

unsigned WordBreak(unsigned style, std::u16string_view value) {
  const bool on = ui::ParseBool(value);
  return SetFlag(SetFlag(style, ui::kTextWordBreak, on), ui::kTextSingleLine, !on);
}

}  // namespace

CControlUI::CControlUI() : textStyle_(ui::kDefaultTextStyle) { ui::detail::RegisterControl(this); }

CControlUI::~CControlUI() {
  ui::detail::UnregisterControl(this);
  if (manager_) {
    manager_->ReapObjects(this);
    ui::detail::ManagerDetached(manager_->Manager());
  }
}

void CControlUI::SetManager(IControlHost* manager, CControlUI* parent) {
  if (manager != manager_) {
    if (manager_) ui::detail::ManagerDetached(manager_->Manager());
    if (manager) ui::detail::ManagerAttached(manager->Manager());
  }
  manager_ = manager;
  parent_ = parent;
  if (!style_ && parent) style_ = parent->style_;
}

void CControlUI::SetPos(RECT rc) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  pos_ = rc;
}

void CControlUI::DoPaint(UIRenderContext& ctx, const RECT& dirty) {
  if (!IsShown() || !Intersects(pos_, dirty)) return;
  PaintBkColor(ctx);
  PaintBkImage(ctx);
  PaintStatusImage(ctx);
  PaintText(ctx);
  PaintBorder(ctx);
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
  if (!IsShown() || !mouseEnabled_) return nullptr;
  return PointInRect(pos_, pt) ? this : nullptr;
}

CControlUI* CControlUI::FindControlByName(std::u16string_view name) {
  return !name.empty() && name_ == name ? this : nullptr;
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_MOUSEENTER:
      hot_ = true;
      if (!toolTip_.empty() && manager_) manager_->SetTimer(this, kToolTipTimer, kToolTipDelayMs);
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      hot_ = false;
      pushed_ = false;
      if (manager_) manager_->KillTimer(this, kToolTipTimer);
      if (!toolTip_.empty()) QToolTip::hideText();
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (event.wParam == kToolTipTimer) ShowToolTip();
      return;
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      Invalidate();
      return;
    case UIEVENT_SCROLLWHEEL:
    case UIEVENT_CONTEXTMENU:
      if (parent_) parent_->DoEvent(event);
      return;
    default:
      return;
  }
}

void CControlUI::RestartToolTip() {
  if (!manager_) return;
  manager_->KillTimer(this, kToolTipTimer);
  QToolTip::hideText();
  if (!toolTip_.empty()) manager_->SetTimer(this, kToolTipTimer, kToolTipDelayMs);
}

void CControlUI::ShowToolTip() {
  if (!manager_) return;
  manager_->KillTimer(this, kToolTipTimer);
  POINT pt = manager_->GetMousePos();
  if (toolTip_.empty() || !PointInRect(pos_, pt) || !ClientToScreen(manager_->GetPaintWindow(), &pt)) return;
  QToolTip::showText(QPoint(pt.x, pt.y + 20), ui::ToQString(toolTip_));
}

void CControlUI::SetText(std::u16string_view text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControlUI::RememberLayoutText(ui::LayoutText text) {
  if (!layoutTexts_) layoutTexts_ = std::make_unique<std::vector<ui::LayoutText>>();
  for (ui::LayoutText& kept : *layoutTexts_)
    if (kept.attribute == text.attribute) {
      kept = std::move(text);
      return;
    }
  layoutTexts_->push_back(std::move(text));
}

void CControlUI::SetBkImage(std::u16string_view image) {
  if (bkImage_ == image) return;
  bkImage_ = image;
  Invalidate();
}

void CControlUI::SetFixedWidth(int cx) {
  fixedWidth_ = std::max(0, cx);
  NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  fixedHeight_ = std::max(0, cy);
  NeedParentUpdate();
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  const bool wasFocused = IsFocused();
  visible_ = visible;
  if (wasFocused && !visible) manager_->SetFocus(nullptr);
  NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  if (internVisible_ == visible) return;
  internVisible_ = visible;
  if (!visible && IsFocused()) manager_->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled) {
    hot_ = pushed_ = false;
    if (IsFocused()) manager_->SetFocus(nullptr);
  }
  Invalidate();
}

void CControlUI::SetBkColor(std::uint32_t argb) {
  bkColor_ = argb;
  Invalidate();
}

void CControlUI::Invalidate() {
  if (manager_ && IsShown()) manager_->Invalidate(pos_);
}

void CControlUI::NeedParentUpdate() {
  if (!manager_) return;
  manager_->NeedUpdate();
  manager_->Invalidate();
}

SIZE CControlUI::EstimateSize(SIZE) { return SIZE{fixedWidth_, fixedHeight_}; }

void CControlUI::SetPadding(const RECT& padding) {
  padding_ = padding;
  NeedParentUpdate();
}

void CControlUI::SetFloat(bool isFloat) {
  float_ = isFloat;
  NeedParentUpdate();
}

void CControlUI::SetFloatPos(const RECT& pos) {
  floatPos_ = pos;
  fixedWidth_ = std::max<LONG>(0, pos.right - pos.left);
  fixedHeight_ = std::max<LONG>(0, pos.bottom - pos.top);
  NeedParentUpdate();
}

int CControlUI::ClampWidth(int cx) const { return std::max(minWidth_, std::min(cx, maxWidth_)); }
int CControlUI::ClampHeight(int cy) const { return std::max(minHeight_, std::min(cy, maxHeight_)); }

bool CControlUI::IsFocused() const { return manager_ && manager_->GetFocus() == this; }

void CControlUI::SetTextColor(std::uint32_t argb) {
  textColor_ = argb;
  Invalidate();
}

void CControlUI::SetFont(int index) {
  font_ = index;
  Invalidate();
}

void CControlUI::SetTextStyle(unsigned style) {
  textStyle_ = style;
  Invalidate();
}

void CControlUI::SetNormalImage(std::u16string_view image) {
  normalImage_ = image;
  Invalidate();
}
void CControlUI::SetHotImage(std::u16string_view image) {
  hotImage_ = image;
  Invalidate();
}
void CControlUI::SetPushedImage(std::u16string_view image) {
  pushedImage_ = image;
  Invalidate();
}
void CControlUI::SetDisabledImage(std::u16string_view image) {
  disabledImage_ = image;
  Invalidate();
}
void CControlUI::SetFocusedImage(std::u16string_view image) {
  focusedImage_ = image;
  Invalidate();
}

std::u16string CControlUI::GetStateImage(std::u16string_view attribute) const {
  if (attribute == u"normalimage") return normalImage_;
  if (attribute == u"hotimage") return hotImage_;
  if (attribute == u"pushedimage") return pushedImage_;
  if (attribute == u"disabledimage") return disabledImage_;
  if (attribute == u"focusedimage") return focusedImage_;
  if (attribute == u"foreimage") return foreImage_;
  if (attribute == u"bkimage") return bkImage_;
  return {};
}

void CControlUI::SetStyle(std::shared_ptr<const ui::LayoutStyle> style) { style_ = std::move(style); }

QFont CControlUI::ResolveFont() const { return style_ ? style_->Font(font_) : ui::LayoutStyle::FallbackFont(); }

void CControlUI::Notify(std::u16string_view type, WPARAM wParam, LPARAM lParam, bool async) {
  if (!manager_) return;
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = this;
  msg.ptMouse = manager_->GetMousePos();
  msg.wParam = wParam;
  msg.lParam = lParam;
  manager_->SendNotify(msg, async);
}

// One small setter per attribute name. Lambdas written here share the
// member function's access to the control's protected state.
bool CControlUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  using Setter = void (*)(CControlUI&, std::u16string_view);
  static const std::unordered_map<std::u16string_view, Setter> kSetters = {
      {u"name", [](CControlUI& c, std::u16string_view v) { c.SetName(v); }},
      {u"text", [](CControlUI& c, std::u16string_view v) { c.SetText(v); }},
      {u"tooltip", [](CControlUI& c, std::u16string_view v) { c.SetToolTip(v); }},
      {u"userdata", [](CControlUI& c, std::u16string_view v) { c.SetUserData(v); }},
      {u"pos",
       [](CControlUI& c, std::u16string_view v) {
         RECT rc;
         if (ui::ParseRect(v, rc)) c.SetFloatPos(rc);
       }},
      {u"float", [](CControlUI& c, std::u16string_view v) { c.SetFloat(ui::ParseBool(v)); }},
      {u"width", [](CControlUI& c, std::u16string_view v) { c.SetFixedWidth(ui::ParseIntOr(v, 0)); }},
      {u"height", [](CControlUI& c, std::u16string_view v) { c.SetFixedHeight(ui::ParseIntOr(v, 0)); }},
      {u"minwidth", [](CControlUI& c, std::u16string_view v) { c.minWidth_ = ui::ParseIntOr(v, 0); }},
      {u"minheight", [](CControlUI& c, std::u16string_view v) { c.minHeight_ = ui::ParseIntOr(v, 0); }},
      {u"maxwidth", [](CControlUI& c, std::u16string_view v) { c.maxWidth_ = ui::ParseIntOr(v, 9999); }},
      {u"maxheight", [](CControlUI& c, std::u16string_view v) { c.maxHeight_ = ui::ParseIntOr(v, 9999); }},
      {u"padding",
       [](CControlUI& c, std::u16string_view v) {
         RECT rc;
         if (ui::ParseRect(v, rc)) c.SetPadding(rc);
       }},
      {u"textpadding", [](CControlUI& c, std::u16string_view v) { ui::ParseRect(v, c.textPadding_); }},
      {u"bkcolor",
       [](CControlUI& c, std::u16string_view v) {
         std::uint32_t color = 0;
         if (ui::ParseColor(v, color)) c.SetBkColor(color);
       }},
      {u"bkcolor1",
       [](CControlUI& c, std::u16string_view v) {
         std::uint32_t color = 0;
         if (ui::ParseColor(v, color)) c.SetBkColor(color);
       }},
      {u"bkcolor2", [](CControlUI& c, std::u16string_view v) { ui::ParseColor(v, c.bkColor2_); }},
      {u"bordercolor", [](CControlUI& c, std::u16string_view v) { ui::ParseColor(v, c.borderColor_); }},
      {u"focusbordercolor", [](CControlUI& c, std::u16string_view v) { ui::ParseColor(v, c.focusBorderColor_); }},
      {u"bordersize", [](CControlUI& c, std::u16string_view v) { c.borderSize_ = std::max(0, ui::ParseIntOr(v, 0)); }},
      {u"borderround", [](CControlUI& c, std::u16string_view v) { ui::ParseSize(v, c.borderRound_); }},
      {u"textcolor",
       [](CControlUI& c, std::u16string_view v) {
         std::uint32_t color = 0;
         if (ui::ParseColor(v, color)) c.SetTextColor(color);
       }},
      {u"disabledtextcolor", [](CControlUI& c, std::u16string_view v) { ui::ParseColor(v, c.disabledTextColor_); }},
      {u"font", [](CControlUI& c, std::u16string_view v) { c.SetFont(ui::ParseIntOr(v, -1)); }},
      {u"align", [](CControlUI& c, std::u16string_view v) { c.textStyle_ = ParseHorizontalAlign(v, c.textStyle_); }},
      {u"valign", [](CControlUI& c, std::u16string_view v) { c.textStyle_ = ParseVerticalAlign(v, c.textStyle_); }},
      {u"endellipsis",
       [](CControlUI& c, std::u16string_view v) {
         c.textStyle_ = SetFlag(c.textStyle_, ui::kTextEndEllipsis, ui::ParseBool(v));
       }},
      {u"wordbreak", [](CControlUI& c, std::u16string_view v) { c.textStyle_ = WordBreak(c.textStyle_, v); }},
      {u"multiline", [](CControlUI& c, std::u16string_view v) { c.textStyle_ = WordBreak(c.textStyle_, v); }},
      {u"bkimage", [](CControlUI& c, std::u16string_view v) { c.SetBkImage(v); }},
      {u"normalimage", [](CControlUI& c, std::u16string_view v) { c.SetNormalImage(v); }},
      {u"hotimage", [](CControlUI& c, std::u16string_view v) { c.SetHotImage(v); }},
      {u"pushedimage", [](CControlUI& c, std::u16string_view v) { c.SetPushedImage(v); }},
      {u"disabledimage", [](CControlUI& c, std::u16string_view v) { c.SetDisabledImage(v); }},
      {u"focusedimage", [](CControlUI& c, std::u16string_view v) { c.SetFocusedImage(v); }},
      {u"foreimage", [](CControlUI& c, std::u16string_view v) { c.foreImage_ = v; }},
      {u"visible", [](CControlUI& c, std::u16string_view v) { c.SetVisible(ui::ParseBool(v)); }},
      {u"enabled", [](CControlUI& c, std::u16string_view v) { c.SetEnabled(ui::ParseBool(v)); }},
      {u"mouse", [](CControlUI& c, std::u16string_view v) { c.SetMouseEnabled(ui::ParseBool(v)); }},
  };
  auto it = kSetters.find(name);
  if (it == kSetters.end()) return false;
  it->second(*this, value);
  return true;
}

void CControlUI::ApplyAttributeList(std::u16string_view list) {
  for (const auto& [name, value] : ui::ParseAttributeList(list)) SetAttribute(name, value);
}

void CControlUI::PaintBkColor(UIRenderContext& ctx) {
  if (!(bkColor_ >> 24) && !(bkColor2_ >> 24)) return;
  QPainter& p = ctx.painter;
  QRect r = ToQRect(pos_);
  QBrush brush(ui::ToQColor(bkColor_));
  if (bkColor2_ >> 24) {
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, ui::ToQColor(bkColor_));
    gradient.setColorAt(1, ui::ToQColor(bkColor2_));
    brush = QBrush(gradient);
  }
  if (borderRound_.cx > 0 || borderRound_.cy > 0) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRoundedRect(QRectF(r), borderRound_.cx / 2.0, borderRound_.cy / 2.0);
    p.restore();
  } else {
    p.fillRect(r, brush);
  }
}

void CControlUI::PaintBkImage(UIRenderContext& ctx) { ui::DrawImage(ctx.painter, pos_, bkImage_); }

const std::u16string& CControlUI::CurrentStateImage() const {
  if (!enabled_ && !disabledImage_.empty()) return disabledImage_;
  if (pushed_ && !pushedImage_.empty()) return pushedImage_;
  if (hot_ && !hotImage_.empty()) return hotImage_;
  if (IsFocused() && !focusedImage_.empty()) return focusedImage_;
  return normalImage_;
}

void CControlUI::PaintStatusImage(UIRenderContext& ctx) {
  ui::DrawImage(ctx.painter, pos_, CurrentStateImage());
  ui::DrawImage(ctx.painter, pos_, foreImage_);
}

void CControlUI::PaintText(UIRenderContext&) {}

void CControlUI::PaintBorder(UIRenderContext& ctx) {
  std::uint32_t color = (IsFocused() && focusBorderColor_) ? focusBorderColor_ : borderColor_;
  if (borderSize_ <= 0 || !(color >> 24)) return;
  QPainter& p = ctx.painter;
  p.save();
  QPen pen(ui::ToQColor(color));
  pen.setWidth(borderSize_);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const qreal half = borderSize_ / 2.0;
  QRectF r = QRectF(ToQRect(pos_)).adjusted(half, half, -half, -half);
  if (borderRound_.cx > 0 || borderRound_.cy > 0) {
    p.setRenderHint(QPainter::Antialiasing);
    p.drawRoundedRect(r, borderRound_.cx / 2.0, borderRound_.cy / 2.0);
  } else {
    p.drawRect(r);
  }
  p.restore();
}

RECT CControlUI::TextRect() const {
  return RECT{pos_.left + textPadding_.left, pos_.top + textPadding_.top, pos_.right - textPadding_.right,
              pos_.bottom - textPadding_.bottom};
}
