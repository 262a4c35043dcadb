#include "ui/controls/CListHeaderUI.h"

#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"

namespace {

constexpr int kArrowWidth = 8;
constexpr int kArrowHeight = 4;
constexpr int kArrowRightInset = 10;

}  // namespace

CListHeaderItemUI::CListHeaderItemUI() : cellStyle_(ui::kDefaultTextStyle) {
  textPadding_ = RECT{10, 0, 6, 0};
}

bool CListHeaderItemUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"celltype") {
    cellType_ = value == u"progress" ? CellType::Progress : CellType::Text;
    return true;
  }
  if (name == u"cellalign") {
    cellStyle_ &= ~(ui::kTextCenter | ui::kTextRight);
    if (value == u"center") cellStyle_ |= ui::kTextCenter;
    if (value == u"right") cellStyle_ |= ui::kTextRight;
    return true;
  }
  return CLabelUI::SetAttribute(name, value);
}

void CListHeaderItemUI::SetSortMark(int order) {
  const int mark = order > 0 ? 1 : order < 0 ? -1 : 0;
  if (mark == sortMark_) return;
  sortMark_ = mark;
  Invalidate();
}

// The list, not the item, raises the notification: scripts know lists by
// name, header items have none.
void CListHeaderItemUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_BUTTONUP && enabled_ && PointInRect(pos_, event.ptMouse)) {
    auto* header = dynamic_cast<CListHeaderUI*>(parent_);
    CControlUI* list = header ? header->GetList() : nullptr;
    if (list) list->Notify(u"headerclick", static_cast<WPARAM>(header->GetItemIndex(this)));
    return;
  }
  CLabelUI::DoEvent(event);
}

void CListHeaderItemUI::PaintText(UIRenderContext& ctx) {
  CLabelUI::PaintText(ctx);
  if (sortMark_ == 0) return;
  const int right = pos_.right - kArrowRightInset;
  const int left = right - kArrowWidth;
  if (left <= pos_.left) return;
  const int middle = (pos_.top + pos_.bottom) / 2;
  const int tip = sortMark_ > 0 ? middle - kArrowHeight / 2 : middle + kArrowHeight / 2;
  const int base = sortMark_ > 0 ? tip + kArrowHeight : tip - kArrowHeight;
  const QPointF arrow[3] = {QPointF(left, base), QPointF(right, base), QPointF((left + right) / 2.0, tip)};
  QPainter& p = ctx.painter;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::ToQColor(CurrentTextColor()));
  p.drawPolygon(arrow, 3);
  p.restore();
}

CListHeaderUI::CListHeaderUI() { fixedHeight_ = 30; }
