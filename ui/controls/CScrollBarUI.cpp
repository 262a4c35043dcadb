#include "ui/controls/CScrollBarUI.h"

#include <algorithm>

#include <QPainter>

#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"

void CScrollBarUI::SetScrollRange(int range, int page) {
  range_ = std::max(0, range);
  page_ = std::max(0, page);
  scrollPos_ = std::clamp(scrollPos_, 0, range_);
  Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
  scrollPos_ = std::clamp(pos, 0, range_);
  Invalidate();
}

void CScrollBarUI::MoveTo(int pos) {
  const int old = scrollPos_;
  SetScrollPos(pos);
  if (scrollPos_ != old && onScroll_) onScroll_(scrollPos_);
}

void CScrollBarUI::ScrollBy(int delta) { MoveTo(scrollPos_ + delta); }

RECT CScrollBarUI::ThumbRect() const {
  const int track = pos_.bottom - pos_.top;
  if (range_ <= 0 || track <= 0) return pos_;
  const int total = range_ + std::max(1, page_);
  const int thumb = std::max(24, static_cast<int>(static_cast<long long>(track) * std::max(1, page_) / total));
  const int room = std::max(0, track - thumb);
  const int top = pos_.top + static_cast<int>(static_cast<long long>(room) * scrollPos_ / range_);
  return RECT{pos_.left, top, pos_.right, top + std::min(thumb, track)};
}

void CScrollBarUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: {
      RECT thumb = ThumbRect();
      if (PointInRect(thumb, event.ptMouse)) {
        dragging_ = true;
        dragStartY_ = event.ptMouse.y;
        dragStartPos_ = scrollPos_;
      } else {
        const int page = std::max(lineSize_, page_ - lineSize_);
        ScrollBy(event.ptMouse.y < thumb.top ? -page : page);
      }
      pushed_ = true;
      Invalidate();
      return;
    }
    case UIEVENT_MOUSEMOVE: {
      if (!dragging_) return;
      const RECT thumb = ThumbRect();
      const int room = (pos_.bottom - pos_.top) - (thumb.bottom - thumb.top);
      if (room <= 0) return;
      const long long moved = event.ptMouse.y - dragStartY_;
      MoveTo(dragStartPos_ + static_cast<int>(moved * range_ / room));
      return;
    }
    case UIEVENT_BUTTONUP:
      dragging_ = false;
      pushed_ = false;
      Invalidate();
      return;
    default:
      CControlUI::DoEvent(event);
  }
}

bool CScrollBarUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"thumbcolor") return ui::ParseColor(value, thumbColor_) || true;
  if (name == u"thumbhotcolor") return ui::ParseColor(value, thumbHotColor_) || true;
  if (name == u"linesize") {
    SetLineSize(ui::ParseIntOr(value, lineSize_));
    return true;
  }
  return CControlUI::SetAttribute(name, value);
}

void CScrollBarUI::PaintStatusImage(UIRenderContext& ctx) {
  if (range_ <= 0) return;
  if (!normalImage_.empty()) {
    CControlUI::PaintStatusImage(ctx);
    return;
  }
  QPainter& p = ctx.painter;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::ToQColor((hot_ || dragging_) ? thumbHotColor_ : thumbColor_));
  QRectF thumb = QRectF(ToQRect(ThumbRect())).adjusted(2.5, 2, -2.5, -2);
  p.drawRoundedRect(thumb, thumb.width() / 2, thumb.width() / 2);
  p.restore();
}
