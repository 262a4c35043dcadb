#include "ui/controls/COptionUI.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/controls/CContainerUI.h"
#include "ui/controls/ControlRegistry.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIImage.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"

namespace {

template <typename Visit>
void ForEachControl(CControlUI* control, Visit&& visit) {
  visit(control);
  if (auto* container = dynamic_cast<CContainerUI*>(control))
    for (int i = 0; i < container->GetCount(); ++i) ForEachControl(container->GetItemAt(i), visit);
}

CControlUI* TopOf(CControlUI* control) {
  while (control->GetParent()) control = control->GetParent();
  return control;
}

}  // namespace

void COptionUI::SetGroup(std::u16string_view group) { group_ = group; }

void COptionUI::Selected(bool selected, bool notify) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  if (selected && !group_.empty()) {
    ForEachControl(TopOf(this), [this](CControlUI* c) {
      auto* other = dynamic_cast<COptionUI*>(c);
      if (other && other != this && other->group_ == group_ && other->selected_) {
        other->selected_ = false;
        other->Invalidate();
      }
    });
  }
  if (notify && (selected || group_.empty())) Notify(u"selectchanged", selected ? 1 : 0);
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  // The click's notifier may have removed the option.
  if (!ui::IsLiveControl(this)) return true;
  Selected(group_.empty() ? !selected_ : true);
  return true;
}

bool COptionUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"group") {
    SetGroup(value);
  } else if (name == u"selected") {
    Selected(ui::ParseBool(value), false);
  } else if (name == u"selectedimage") {
    selectedImage_ = value;
  } else if (name == u"selectedhotimage") {
    selectedHotImage_ = value;
  } else if (name == u"selectedbkcolor") {
    ui::ParseColor(value, selectedBkColor_);
  } else if (name == u"selectedtextcolor") {
    ui::ParseColor(value, selectedTextColor_);
  } else if (name == u"selectedlinecolor") {
    ui::ParseColor(value, selectedLineColor_);
  } else {
    return CButtonUI::SetAttribute(name, value);
  }
  return true;
}

void COptionUI::PaintBkColor(UIRenderContext& ctx) {
  if (!selected_ || !selectedBkColor_) {
    CButtonUI::PaintBkColor(ctx);
    return;
  }
  const std::uint32_t saved = bkColor_;
  bkColor_ = selectedBkColor_;
  CLabelUI::PaintBkColor(ctx);
  bkColor_ = saved;
}

void COptionUI::PaintStatusImage(UIRenderContext& ctx) {
  if (selected_ && !selectedImage_.empty()) {
    const std::u16string& image = (hot_ && !selectedHotImage_.empty()) ? selectedHotImage_ : selectedImage_;
    ui::DrawImage(ctx.painter, pos_, image);
  } else {
    CButtonUI::PaintStatusImage(ctx);
  }
  if (selected_ && selectedLineColor_) {
    ctx.painter.fillRect(QRect(pos_.left, pos_.bottom - 2, pos_.right - pos_.left, 2),
                         ui::ToQColor(selectedLineColor_));
  }
}

std::uint32_t COptionUI::CurrentTextColor() const {
  if (enabled_ && selected_ && selectedTextColor_) return selectedTextColor_;
  return CButtonUI::CurrentTextColor();
}

CCheckBoxUI::CCheckBoxUI() {
  textStyle_ = ui::kTextLeft | ui::kTextVCenter | ui::kTextSingleLine | ui::kTextEndEllipsis;
  textPadding_.left = 20;
}

void CCheckBoxUI::PaintStatusImage(UIRenderContext& ctx) {
  if (!normalImage_.empty() || !selectedImage_.empty()) {
    COptionUI::PaintStatusImage(ctx);
    return;
  }
  QPainter& p = ctx.painter;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const int size = 14;
  const int top = pos_.top + (pos_.bottom - pos_.top - size) / 2;
  QRectF box(pos_.left + 0.5, top + 0.5, size - 1, size - 1);
  const QColor accent = ui::ToQColor(selectedTextColor_ ? selectedTextColor_ : 0xFF2F7CF6);
  if (selected_) {
    p.setPen(Qt::NoPen);
    p.setBrush(enabled_ ? accent : QColor(0xB0, 0xB0, 0xB0));
    p.drawRoundedRect(box, 3, 3);
    QPen tick(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    QPainterPath path;
    path.moveTo(box.left() + 3, box.top() + 7);
    path.lineTo(box.left() + 5.6, box.top() + 9.6);
    path.lineTo(box.left() + 10.5, box.top() + 4);
    p.drawPath(path);
  } else {
    p.setPen(QPen(hot_ ? accent : QColor(0xB8, 0xBE, 0xC8), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(box, 3, 3);
  }
  p.restore();
}
