#include "ui/controls/CLabelUI.h"

#include <algorithm>

#include "ui/controls/LayoutStyle.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"

SIZE CLabelUI::EstimateSize(SIZE available) {
  SIZE size = CControlUI::EstimateSize(available);
  if (autoCalcWidth_ && size.cx == 0) {
    SIZE text = ui::MeasureText(text_, ResolveFont(), textStyle_);
    size.cx = ClampWidth(text.cx + textPadding_.left + textPadding_.right + 1);
  }
  // The height the text needs at the offered width (a vertical layout offers
  // exactly the width it will give), so long texts can scroll.
  if (autoCalcHeight_ && size.cy == 0 && available.cx > 0) {
    const int width = (size.cx > 0 ? size.cx : available.cx) - textPadding_.left - textPadding_.right -
                      padding_.left - padding_.right;
    SIZE text = ui::MeasureText(text_, ResolveFont(), textStyle_ | ui::kTextWordBreak, std::max(1, width));
    size.cy = ClampHeight(text.cy + textPadding_.top + textPadding_.bottom + 1);
  }
  return size;
}

bool CLabelUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"autocalcwidth") {
    autoCalcWidth_ = ui::ParseBool(value);
    return true;
  }
  if (name == u"autocalcheight") {
    autoCalcHeight_ = ui::ParseBool(value);
    return true;
  }
  return CControlUI::SetAttribute(name, value);
}

void CLabelUI::SetText(std::u16string_view text) {
  if (text_ == text) return;
  CControlUI::SetText(text);
  if (autoCalcWidth_ || autoCalcHeight_) NeedParentUpdate();
}

std::uint32_t CLabelUI::CurrentTextColor() const {
  if (!enabled_) {
    if (disabledTextColor_) return disabledTextColor_;
    return style_ ? style_->DisabledTextColor() : 0xFFA0A0A0;
  }
  if (textColor_) return textColor_;
  return style_ ? style_->DefaultTextColor() : 0xFF333333;
}

void CLabelUI::PaintText(UIRenderContext& ctx) {
  ui::DrawText(ctx.painter, TextRect(), text_, ResolveFont(), CurrentTextColor(), textStyle_);
}

CTextUI::CTextUI() { textStyle_ = ui::kTextLeft | ui::kTextTop | ui::kTextWordBreak; }
