#include "ui/controls/CLinearLayoutUI.h"

#include <algorithm>

int CLinearLayoutUI::Measure(const RECT& inner, std::vector<Slot>& slots) {
  const SIZE avail{inner.right - inner.left, inner.bottom - inner.top};
  int fixed = 0;
  int adjustables = 0;
  for (auto& item : items_) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    SIZE want = item->EstimateSize(avail);
    const int main = Main(want);
    fixed += MainPadding(item->GetPadding());
    if (main > 0) {
      slots.push_back(Slot{item.get(), ClampMain(item.get(), main), false});
      fixed += slots.back().main;
    } else {
      slots.push_back(Slot{item.get(), 0, true});
      ++adjustables;
    }
  }
  if (!slots.empty()) fixed += childPadding_ * static_cast<int>(slots.size() - 1);
  int remain = std::max(0, Main(avail) - fixed);
  int content = fixed;
  // Share out in order; a child clamped by its min/max hands the difference
  // on to those after it.
  for (auto& slot : slots) {
    if (!slot.adjustable) continue;
    const int share = adjustables > 0 ? remain / adjustables : 0;
    slot.main = ClampMain(slot.control, share);
    remain = std::max(0, remain - slot.main);
    --adjustables;
    content += slot.main;
  }
  return content;
}

void CLinearLayoutUI::Place(const RECT& inner, int offset, const std::vector<Slot>& slots) {
  int at = (vertical_ ? inner.top : inner.left) - offset;
  const SIZE avail{inner.right - inner.left, inner.bottom - inner.top};
  for (const auto& slot : slots) {
    CControlUI* c = slot.control;
    const RECT pad = c->GetPadding();
    SIZE want = c->EstimateSize(avail);
    if (vertical_) {
      const int room = std::max<LONG>(0, avail.cx - pad.left - pad.right);
      const int cx = c->ClampWidth(want.cx > 0 ? std::min(want.cx, static_cast<LONG>(room)) : room);
      at += pad.top;
      c->SetPos(RECT{inner.left + pad.left, at, inner.left + pad.left + cx, at + slot.main});
      at += slot.main + pad.bottom + childPadding_;
    } else {
      const int room = std::max<LONG>(0, avail.cy - pad.top - pad.bottom);
      const int cy = c->ClampHeight(want.cy > 0 ? std::min(want.cy, static_cast<LONG>(room)) : room);
      at += pad.left;
      c->SetPos(RECT{at, inner.top + pad.top, at + slot.main, inner.top + pad.top + cy});
      at += slot.main + pad.right + childPadding_;
    }
  }
}

void CLinearLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  std::vector<Slot> slots;
  const int content = Measure(InnerRect(), slots);
  int offset = 0;
  if (vertical_ && scrollBar_) {
    offset = UpdateScroll(content);
    slots.clear();
    Measure(InnerRect(), slots);
  }
  Place(InnerRect(), offset, slots);
  for (auto& item : items_)
    if (item->IsVisible() && item->IsFloat()) PlaceFloat(item.get());
}
