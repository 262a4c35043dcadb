#include "ui/controls/CProgressUI.h"

#include <algorithm>

#include <QPainter>

#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIImage.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"

CProgressUI::CProgressUI() { textStyle_ = ui::kTextCenter | ui::kTextVCenter | ui::kTextSingleLine; }

void CProgressUI::SetMinValue(int value) {
  min_ = value;
  if (max_ < min_) max_ = min_;
  SetValue(value_);
}

void CProgressUI::SetMaxValue(int value) {
  max_ = std::max(value, min_);
  SetValue(value_);
}

void CProgressUI::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

bool CProgressUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"min") {
    SetMinValue(ui::ParseIntOr(value, 0));
  } else if (name == u"max") {
    SetMaxValue(ui::ParseIntOr(value, 100));
  } else if (name == u"value") {
    SetValue(ui::ParseIntOr(value, 0));
  } else if (name == u"fgcolor") {
    ui::ParseColor(value, fgColor_);
  } else if (name == u"fgimage") {
    fgImage_ = value;
  } else if (name == u"showtext") {
    showText_ = ui::ParseBool(value);
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

void CProgressUI::PaintStatusImage(UIRenderContext& ctx) {
  CLabelUI::PaintStatusImage(ctx);
  const int range = max_ - min_;
  if (range <= 0) return;
  const int width = pos_.right - pos_.left;
  const int filled = static_cast<int>(static_cast<long long>(width) * (value_ - min_) / range);
  if (filled <= 0) return;
  RECT bar{pos_.left, pos_.top, pos_.left + filled, pos_.bottom};
  if (!fgImage_.empty()) {
    QPainter& p = ctx.painter;
    p.save();
    p.setClipRect(ToQRect(bar), Qt::IntersectClip);
    ui::DrawImage(p, pos_, fgImage_);
    p.restore();
    return;
  }
  QPainter& p = ctx.painter;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::ToQColor(fgColor_));
  const qreal radius = (borderRound_.cy > 0 ? borderRound_.cy : 0) / 2.0;
  if (radius > 0) {
    p.setClipRect(ToQRect(bar), Qt::IntersectClip);
    p.drawRoundedRect(QRectF(ToQRect(pos_)), radius, radius);
  } else {
    p.drawRect(ToQRect(bar));
  }
  p.restore();
}

void CProgressUI::PaintText(UIRenderContext& ctx) {
  if (!text_.empty() || !showText_) {
    CLabelUI::PaintText(ctx);
    return;
  }
  const int range = max_ - min_;
  const int percent = range > 0 ? static_cast<int>(100LL * (value_ - min_) / range) : 0;
  std::u16string text = ui::FromQString(QString::number(percent) + u'%');
  ui::DrawText(ctx.painter, TextRect(), text, ResolveFont(), CurrentTextColor(), textStyle_);
}
