#include "ui/controls/CContainerUI.h"

#include <algorithm>

#include <QPainter>

#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"

namespace {

bool Intersects(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

CContainerUI::CContainerUI() = default;

// Children go first, while this object (their parent) is still whole.
CContainerUI::~CContainerUI() {
  items_.clear();
  scrollBar_.reset();
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control) return false;
  std::unique_ptr<CControlUI> owned(control);
  index = std::clamp(index, 0, GetCount());
  owned->SetManager(manager_, this);
  items_.insert(items_.begin() + index, std::move(owned));
  PropagateVisibility();
  NeedParentUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) { return RemoveAt(GetItemIndex(control)); }

bool CContainerUI::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return false;
  ForgetChild(items_[static_cast<size_t>(index)].get());
  std::unique_ptr<CControlUI> gone = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  gone.reset();
  NeedParentUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  for (const auto& item : items_) ForgetChild(item.get());
  items_.clear();
  NeedParentUpdate();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  return index >= 0 && index < GetCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == control) return static_cast<int>(i);
  return -1;
}

void CContainerUI::SetInset(const RECT& inset) {
  inset_ = inset;
  NeedParentUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = std::max(0, padding);
  NeedParentUpdate();
}

void CContainerUI::EnableScrollBar(bool vertical) {
  scrollWanted_ = vertical;
  if (vertical && !scrollBar_) {
    scrollBar_ = std::make_unique<CScrollBarUI>();
    scrollBar_->SetManager(manager_, this);
    scrollBar_->SetOnScroll([this](int) {
      NeedParentUpdate();
    });
  }
  if (!vertical) scrollBar_.reset();
  NeedParentUpdate();
}

int CContainerUI::GetScrollPos() const { return scrollBar_ ? scrollBar_->GetScrollPos() : 0; }

void CContainerUI::SetScrollPos(int pos) {
  if (!scrollBar_) return;
  scrollBar_->SetScrollPos(pos);
  NeedParentUpdate();
}

void CContainerUI::SetManager(IControlHost* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (auto& item : items_) item->SetManager(manager, this);
  if (scrollBar_) scrollBar_->SetManager(manager, this);
}

RECT CContainerUI::InnerRect() const {
  RECT rc{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right,
          pos_.bottom - inset_.bottom};
  if (scrollBar_ && scrollBar_->IsVisible() && scrollBar_->GetScrollRange() > 0)
    rc.right -= CScrollBarUI::kWidth;
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

int CContainerUI::UpdateScroll(int contentHeight) {
  if (!scrollBar_) return 0;
  RECT outer{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right,
             pos_.bottom - inset_.bottom};
  const int view = std::max<LONG>(0, outer.bottom - outer.top);
  scrollBar_->SetScrollRange(contentHeight - view, view);
  scrollBar_->SetPos(RECT{outer.right - CScrollBarUI::kWidth, outer.top, outer.right, outer.bottom});
  return scrollBar_->GetScrollPos();
}

void CContainerUI::PlaceFloat(CControlUI* child) {
  RECT fp = child->GetFloatPos();
  SIZE want = child->EstimateSize(SIZE{pos_.right - pos_.left, pos_.bottom - pos_.top});
  const int cx = want.cx > 0 ? want.cx : fp.right - fp.left;
  const int cy = want.cy > 0 ? want.cy : fp.bottom - fp.top;
  child->SetPos(RECT{pos_.left + fp.left, pos_.top + fp.top, pos_.left + fp.left + cx, pos_.top + fp.top + cy});
}

void CContainerUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner = InnerRect();
  for (auto& item : items_) {
    if (!item->IsVisible()) continue;
    if (item->IsFloat()) {
      PlaceFloat(item.get());
      continue;
    }
    RECT pad = item->GetPadding();
    item->SetPos(RECT{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                      inner.bottom - pad.bottom});
  }
}

void CContainerUI::DoPaint(UIRenderContext& ctx, const RECT& dirty) {
  if (!IsShown() || !Intersects(pos_, dirty)) return;
  CControlUI::DoPaint(ctx, dirty);
  QPainter& p = ctx.painter;
  p.save();
  p.setClipRect(ToQRect(pos_), Qt::IntersectClip);
  for (auto& item : items_)
    if (item->IsVisible() && Intersects(item->GetPos(), dirty)) item->DoPaint(ctx, dirty);
  if (scrollBar_ && scrollBar_->GetScrollRange() > 0) scrollBar_->DoPaint(ctx, dirty);
  p.restore();
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
  if (!IsShown() || !PointInRect(pos_, pt)) return nullptr;
  if (scrollBar_ && scrollBar_->GetScrollRange() > 0)
    if (CControlUI* bar = scrollBar_->FindControlAt(pt)) return bar;
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
  return mouseEnabled_ ? this : nullptr;
}

CControlUI* CContainerUI::FindControlByName(std::u16string_view name) {
  if (CControlUI* self = CControlUI::FindControlByName(name)) return self;
  for (auto& item : items_)
    if (CControlUI* found = item->FindControlByName(name)) return found;
  return nullptr;
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SCROLLWHEEL && scrollBar_ && scrollBar_->GetScrollRange() > 0) {
    const int delta = GET_WHEEL_DELTA_WPARAM(event.wParam);
    scrollBar_->ScrollBy(delta > 0 ? -scrollBar_->GetLineSize() * 3 : scrollBar_->GetLineSize() * 3);
    return;
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::DoInit() {
  for (auto& item : items_) item->DoInit();
}

bool CContainerUI::ChildShown(int) const { return IsShown(); }

void CContainerUI::PropagateVisibility() {
  for (size_t i = 0; i < items_.size(); ++i) items_[i]->SetInternVisible(ChildShown(static_cast<int>(i)));
}

void CContainerUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  PropagateVisibility();
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  PropagateVisibility();
}

bool CContainerUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  RECT rc;
  if (name == u"inset") {
    if (ui::ParseRect(value, rc)) SetInset(rc);
  } else if (name == u"childpadding") {
    SetChildPadding(ui::ParseIntOr(value, 0));
  } else if (name == u"vscrollbar") {
    EnableScrollBar(ui::ParseBool(value));
  } else {
    return CControlUI::SetAttribute(name, value);
  }
  return true;
}
