#include "ui/controls/CListHeaderUI.h"

#include <algorithm>

#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"
#include "ui/window/WindowApi.h"

namespace {

constexpr int kArrowWidth = 8;
constexpr int kArrowHeight = 4;
constexpr int kArrowRightInset = 10;
// How far either side of a divider a press still takes it.
constexpr int kDividerReach = 4;

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
  auto* header = dynamic_cast<CListHeaderUI*>(parent_);
  if (header && enabled_) {
    if (event.Type == UIEVENT_MOUSEMOVE && !header->IsResizing() && manager_ && header->IsOnDivider(event.ptMouse.x))
      SetClientCursor(manager_->GetPaintWindow(), ClientCursor::SizeWE);
    if (event.Type == UIEVENT_BUTTONDOWN && header->BeginResize(event.ptMouse.x)) return;
    if (header->IsResizing()) {
      if (event.Type == UIEVENT_MOUSEMOVE) header->ResizeTo(event.ptMouse.x);
      // The release that ends a drag is no click.
      if (event.Type == UIEVENT_BUTTONUP) header->EndResize();
      if (event.Type == UIEVENT_MOUSEMOVE || event.Type == UIEVENT_BUTTONUP) return;
    }
  }
  if (event.Type == UIEVENT_BUTTONUP && enabled_ && PointInRect(pos_, event.ptMouse)) {
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

int CListHeaderUI::DividerAt(int x) const {
  // The last item's right edge is the header's end, not a divider.
  for (int i = 0; i + 1 < GetCount(); ++i) {
    const int edge = GetItemAt(i)->GetPos().right;
    if (x >= edge - kDividerReach && x <= edge + kDividerReach) return i;
  }
  return -1;
}

bool CListHeaderUI::BeginResize(int x) {
  int item = DividerAt(x);
  if (item < 0) return false;
  dragDirection_ = 1;
  if (GetItemAt(item)->GetFixedWidth() == 0) {
    ++item;
    dragDirection_ = -1;
  }
  const RECT pos = GetItemAt(item)->GetPos();
  resizing_ = item;
  dragStartX_ = x;
  dragStartWidth_ = pos.right - pos.left;
  return true;
}

void CListHeaderUI::ResizeTo(int x) {
  if (resizing_ < 0) return;
  const int width = std::max(CListHeaderItemUI::kMinWidth, dragStartWidth_ + dragDirection_ * (x - dragStartX_));
  CControlUI* item = GetItemAt(resizing_);
  if (item->GetFixedWidth() == width) return;
  item->SetFixedWidth(width);
  // Laid out now, not at the next layout pass: the rows under the header
  // follow its new columns while the mouse moves, and the width reported
  // on release is the one shown.
  SetPos(GetPos());
  if (list_) list_->Invalidate();
}

void CListHeaderUI::EndResize() {
  const int item = resizing_;
  resizing_ = -1;
  if (item < 0 || !list_) return;
  list_->Notify(u"headerresize", static_cast<WPARAM>(item), static_cast<LPARAM>(GetItemAt(item)->GetFixedWidth()));
}
