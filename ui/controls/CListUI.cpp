#include "ui/controls/CListUI.h"

#include <algorithm>

#include <QGuiApplication>
#include <QPainter>

#include "base/ReportError.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/ControlRegistry.h"
#include "ui/controls/FocusChain.h"
#include "ui/controls/LayoutStyle.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"

namespace {

constexpr const char* kStem = "CListUI";

bool Intersects(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

CListUI::CListUI() {
  EnableScrollBar(true);
  scrollBar_->SetOnScroll([this](int) { Invalidate(); });
  scrollBar_->SetLineSize(rowHeight_);
}

CListUI::~CListUI() = default;

bool CListUI::AddAt(CControlUI* control, int index) {
  auto* header = dynamic_cast<CListHeaderUI*>(control);
  if (!header || header_) {
    if (control) {
      std::string cls = ui::ToQString(control->GetClass()).toStdString();
      ReportError(kStem, __LINE__, "(error) (%s:%d) a list takes one ListHeader, not %s\n", cls.c_str());
    }
    delete control;
    return false;
  }
  header_ = header;
  header->SetList(this);
  return CContainerUI::AddAt(control, index);
}

void CListUI::ForgetChild(CControlUI* child) {
  // A removed header is deleted; layout and painting must not reach it.
  if (child == header_) header_ = nullptr;
}

int CListUI::GetColumnCount() const {
  if (!header_) return 1;
  return std::max(1, header_->GetCount());
}

int CListUI::InsertRow(std::vector<std::u16string> cells, int index) {
  if (index < 0 || index > GetRowCount()) index = GetRowCount();
  Row row;
  row.cells = std::move(cells);
  rows_.insert(rows_.begin() + index, std::move(row));
  if (curSel_ >= index) ++curSel_;
  if (anchor_ >= index) ++anchor_;
  hotRow_ = -1;
  RowsChanged();
  return index;
}

bool CListUI::RemoveRow(int index) {
  if (index < 0 || index >= GetRowCount()) return false;
  rows_.erase(rows_.begin() + index);
  if (curSel_ == index)
    curSel_ = -1;
  else if (curSel_ > index)
    --curSel_;
  if (anchor_ == index)
    anchor_ = -1;
  else if (anchor_ > index)
    --anchor_;
  hotRow_ = -1;
  RowsChanged();
  return true;
}

void CListUI::RemoveAllRows() {
  rows_.clear();
  curSel_ = anchor_ = hotRow_ = -1;
  if (scrollBar_) scrollBar_->SetScrollPos(0);
  RowsChanged();
}

bool CListUI::SetCellText(int row, int column, std::u16string_view text) {
  if (row < 0 || row >= GetRowCount() || column < 0 || column >= 64) return false;
  auto& cells = rows_[static_cast<size_t>(row)].cells;
  if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
  cells[static_cast<size_t>(column)] = text;
  Invalidate();
  return true;
}

std::u16string CListUI::GetCellText(int row, int column) const {
  if (row < 0 || row >= GetRowCount() || column < 0) return {};
  const auto& cells = rows_[static_cast<size_t>(row)].cells;
  return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)] : std::u16string();
}

bool CListUI::SetRowData(int row, std::intptr_t data) {
  if (row < 0 || row >= GetRowCount()) return false;
  rows_[static_cast<size_t>(row)].data = data;
  return true;
}

std::intptr_t CListUI::GetRowData(int row) const {
  return row >= 0 && row < GetRowCount() ? rows_[static_cast<size_t>(row)].data : 0;
}

bool CListUI::SetRowToolTip(int row, std::u16string_view text) {
  if (row < 0 || row >= GetRowCount()) return false;
  rows_[static_cast<size_t>(row)].toolTip = text;
  if (row == hotRow_) {
    SetToolTip(text);
    RestartToolTip();
  }
  return true;
}

std::vector<int> CListUI::GetColumnWidths() const {
  std::vector<int> widths;
  if (!header_) return widths;
  for (int i = 0; i < header_->GetCount(); ++i) {
    const RECT pos = header_->GetItemAt(i)->GetPos();
    widths.push_back(pos.right - pos.left);
  }
  return widths;
}

bool CListUI::SetColumnWidth(int column, int width) {
  auto* item = header_ ? dynamic_cast<CListHeaderItemUI*>(header_->GetItemAt(column)) : nullptr;
  if (!item || item->GetFixedWidth() == 0) return false;
  item->SetFixedWidth(std::max(CListHeaderItemUI::kMinWidth, width));
  Invalidate();
  return true;
}

const CListUI::Row* CListUI::GetRow(int row) const {
  return row >= 0 && row < GetRowCount() ? &rows_[static_cast<size_t>(row)] : nullptr;
}

bool CListUI::SelectRow(int row, bool notify) {
  if (row < -1 || row >= GetRowCount()) return false;
  const int old = curSel_;
  const bool changed = SetSelectedFlags(row, row, true) | ClearFlagsOutside(row);
  anchor_ = row;
  if (old == row && !changed) return true;
  curSel_ = row;
  if (row >= 0) EnsureVisible(row);
  Invalidate();
  if (notify) NotifySelection(old, changed);
  return true;
}

void CListUI::EnsureVisible(int row) {
  const int shown = ShownIndexOf(row);
  if (shown < 0 || !scrollBar_) return;
  const RECT body = BodyRect();
  const int view = body.bottom - body.top;
  const int top = shown * rowHeight_;
  const int pos = scrollBar_->GetScrollPos();
  if (top < pos)
    scrollBar_->SetScrollPos(top);
  else if (top + rowHeight_ > pos + view)
    scrollBar_->SetScrollPos(top + rowHeight_ - view);
}

RECT CListUI::BodyRect() const {
  RECT rc{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right, pos_.bottom - inset_.bottom};
  if (header_ && header_->IsVisible()) rc.top = std::min<LONG>(rc.bottom, rc.top + header_->GetFixedHeight());
  if (rc.right < rc.left) rc.right = rc.left;
  return rc;
}

int CListUI::RowAt(POINT pt) const {
  RECT body = BodyRect();
  if (!PointInRect(body, pt) || rowHeight_ <= 0) return -1;
  const int offset = scrollBar_ ? scrollBar_->GetScrollPos() : 0;
  const int shown = (pt.y - body.top + offset) / rowHeight_;
  if (shown < 0 || shown >= ShownCount()) return -1;
  return ShownRow(shown);
}

void CListUI::UpdateScrollRange() {
  if (!scrollBar_) return;
  const RECT body = BodyRect();
  const int view = body.bottom - body.top;
  scrollBar_->SetScrollRange(ShownCount() * rowHeight_ - view, view);
  scrollBar_->SetPos(RECT{body.right - CScrollBarUI::kWidth, body.top, body.right, body.bottom});
}

void CListUI::RowsChanged() {
  UpdateScrollRange();
  Invalidate();
}

void CListUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  if (header_) {
    RECT inner{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right,
               pos_.top + inset_.top + header_->GetFixedHeight()};
    header_->SetPos(inner);
  }
  UpdateScrollRange();
}

std::vector<CListUI::Column> CListUI::Columns() const {
  std::vector<Column> columns;
  const RECT body = BodyRect();
  if (header_) {
    for (int i = 0; i < header_->GetCount(); ++i) {
      auto* item = dynamic_cast<CListHeaderItemUI*>(header_->GetItemAt(i));
      CControlUI* c = header_->GetItemAt(i);
      columns.push_back(Column{c->GetPos().left, c->GetPos().right, item});
    }
  }
  if (columns.empty()) columns.push_back(Column{body.left, body.right, nullptr});
  return columns;
}

void CListUI::DoPaint(UIRenderContext& ctx, const RECT& dirty) {
  if (!IsShown() || !Intersects(pos_, dirty)) return;
  PaintBkColor(ctx);
  PaintBkImage(ctx);
  QPainter& p = ctx.painter;
  p.save();
  p.setClipRect(ToQRect(pos_), Qt::IntersectClip);
  if (header_) header_->DoPaint(ctx, dirty);
  const RECT body = BodyRect();
  p.setClipRect(ToQRect(body), Qt::IntersectClip);
  const bool scrolling = scrollBar_ && scrollBar_->GetScrollRange() > 0;
  const int offset = scrollBar_ ? scrollBar_->GetScrollPos() : 0;
  const std::vector<Column> columns = Columns();
  const int count = ShownCount();
  int first = rowHeight_ > 0 ? offset / rowHeight_ : 0;
  for (int shown = first; shown < count; ++shown) {
    const int top = body.top + shown * rowHeight_ - offset;
    if (top >= body.bottom || top >= dirty.bottom) break;
    RECT rc{body.left, top, scrolling ? body.right - CScrollBarUI::kWidth : body.right, top + rowHeight_};
    if (rc.bottom > dirty.top) PaintRow(ctx, rc, ShownRow(shown), columns);
  }
  if (scrolling) scrollBar_->DoPaint(ctx, dirty);
  p.restore();
  PaintBorder(ctx);
}

void CListUI::PaintRow(UIRenderContext& ctx, const RECT& rc, int row, const std::vector<Column>& columns) {
  QPainter& p = ctx.painter;
  std::uint32_t bk = rowBkColor_;
  if (rowAltBkColor_ && (row % 2) == 1) bk = rowAltBkColor_;
  if (row == hotRow_ && rowHotBkColor_) bk = rowHotBkColor_;
  if (rows_[static_cast<size_t>(row)].selected && rowSelectedBkColor_) bk = rowSelectedBkColor_;
  if (bk >> 24) p.fillRect(ToQRect(rc), ui::ToQColor(bk));
  if (rowLineColor_ >> 24) p.fillRect(QRect(rc.left, rc.bottom - 1, rc.right - rc.left, 1), ui::ToQColor(rowLineColor_));
  for (size_t i = 0; i < columns.size(); ++i) {
    RECT cell{columns[i].left, rc.top, std::min(columns[i].right, rc.right), rc.bottom};
    if (cell.right <= cell.left) continue;
    const int column = static_cast<int>(i);
    if (columns[i].item && columns[i].item->GetCellType() == CListHeaderItemUI::CellType::Progress)
      PaintProgressCell(ctx, cell, row, column);
    else if (i == 0)
      PaintFirstCell(ctx, cell, row);
    else
      PaintCellText(ctx, cell, row, column);
  }
}

void CListUI::PaintFirstCell(UIRenderContext& ctx, const RECT& cell, int row) { PaintCellText(ctx, cell, row, 0); }

void CListUI::PaintCellText(UIRenderContext& ctx, const RECT& cell, int row, int column) {
  const auto& cells = rows_[static_cast<size_t>(row)].cells;
  std::u16string fromCallback;
  const std::u16string* text = static_cast<size_t>(column) < cells.size() ? &cells[static_cast<size_t>(column)] : nullptr;
  if ((!text || text->empty()) && callback_) {
    fromCallback = callback_->GetItemText(this, row, column);
    text = &fromCallback;
  }
  if (!text || text->empty()) return;
  unsigned style = ui::kDefaultTextStyle;
  if (header_) {
    if (auto* item = dynamic_cast<CListHeaderItemUI*>(header_->GetItemAt(column))) style = item->GetCellStyle();
  }
  std::uint32_t color = rowTextColor_ ? rowTextColor_ : (style_ ? style_->DefaultTextColor() : 0xFF333333);
  if (rows_[static_cast<size_t>(row)].selected && rowSelectedTextColor_) color = rowSelectedTextColor_;
  RECT inner{cell.left + 10, cell.top, cell.right - 6, cell.bottom};
  ui::DrawText(ctx.painter, inner, *text, ResolveFont(), color, style);
}

void CListUI::PaintProgressCell(UIRenderContext& ctx, const RECT& cell, int row, int column) {
  const int value = std::clamp(ui::ParseIntOr(GetCellText(row, column), 0), 0, 100);
  QPainter& p = ctx.painter;
  const int barHeight = 6;
  const int top = (cell.top + cell.bottom - barHeight) / 2;
  QRectF track(cell.left + 10, top, std::max<LONG>(0, cell.right - cell.left - 56), barHeight);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::ToQColor(progressTrackColor_));
  p.drawRoundedRect(track, barHeight / 2.0, barHeight / 2.0);
  if (value > 0) {
    QRectF done(track.left(), track.top(), track.width() * value / 100.0, barHeight);
    p.setBrush(ui::ToQColor(progressColor_));
    p.drawRoundedRect(done, barHeight / 2.0, barHeight / 2.0);
  }
  p.restore();
  RECT label{static_cast<LONG>(track.right()) + 6, cell.top, cell.right, cell.bottom};
  std::u16string text = ui::FromQString(QString::number(value) + u'%');
  std::uint32_t color = rowTextColor_ ? rowTextColor_ : (style_ ? style_->DefaultTextColor() : 0xFF333333);
  ui::DrawText(p, label, text, ResolveFont(), color, ui::kDefaultTextStyle);
}

CControlUI* CListUI::FindControlAt(POINT pt) {
  if (!IsShown() || !PointInRect(pos_, pt)) return nullptr;
  if (scrollBar_ && scrollBar_->GetScrollRange() > 0)
    if (CControlUI* bar = scrollBar_->FindControlAt(pt)) return bar;
  if (header_)
    if (CControlUI* found = header_->FindControlAt(pt)) return found;
  return mouseEnabled_ ? this : nullptr;
}

bool CListUI::PressRow(int, POINT) { return false; }

void CListUI::SetHotRow(int row) {
  if (row == hotRow_) return;
  hotRow_ = row;
  const Row* hot = GetRow(row);
  const std::u16string tip = hot ? hot->toolTip : std::u16string();
  if (tip != GetToolTip()) {
    SetToolTip(tip);
    RestartToolTip();
  }
  Invalidate();
}

void CListUI::MoveSelection(int shownDelta, bool extend) {
  const int count = ShownCount();
  if (count == 0) return;
  const int from = curSel_ >= 0 ? curSel_ : anchor_;
  int shown = from >= 0 ? ShownIndexOf(from) : -1;
  shown = std::clamp(shown + shownDelta, 0, count - 1);
  MoveSelectionTo(ShownRow(shown), extend);
}

void CListUI::DoEvent(TEventUI& event) {
  if (!enabled_ && event.Type != UIEVENT_MOUSELEAVE) return;
  const int page = std::max(1, static_cast<int>((BodyRect().bottom - BodyRect().top) / std::max(1, rowHeight_)));
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN: {
      const int row = RowAt(event.ptMouse);
      if (row < 0 || PressRow(row, event.ptMouse)) return;
      ClickRow(row, event.wKeyState);
      // The selection's notifier may have removed the list.
      if (ui::IsLiveControl(this)) Notify(u"itemclick", static_cast<WPARAM>(row));
      return;
    }
    case UIEVENT_DBLCLICK: {
      const int row = RowAt(event.ptMouse);
      if (row >= 0) Notify(u"itemdoubleclick", static_cast<WPARAM>(row));
      return;
    }
    case UIEVENT_RBUTTONDOWN: {
      const int row = RowAt(event.ptMouse);
      // A right click inside the selection keeps it, so the menu acts on
      // every selected row.
      if (row >= 0 && !IsRowSelected(row)) SelectRow(row);
      return;
    }
    case UIEVENT_CONTEXTMENU:
      Notify(u"menu", static_cast<WPARAM>(static_cast<LPARAM>(RowAt(event.ptMouse))));
      return;
    case UIEVENT_MOUSEMOVE:
      SetHotRow(RowAt(event.ptMouse));
      return;
    case UIEVENT_MOUSELEAVE:
      SetHotRow(-1);
      break;
    case UIEVENT_SCROLLWHEEL:
      if (scrollBar_) scrollBar_->ScrollBy(GET_WHEEL_DELTA_WPARAM(event.wParam) > 0 ? -3 * rowHeight_ : 3 * rowHeight_);
      return;
    case UIEVENT_KEYDOWN: {
      const bool shift = (event.wKeyState & MK_SHIFT) != 0;
      // Ctrl with an arrow is left to the window's shortcuts (it reorders
      // rows there), so the selection stays on the rows it acts on.
      const bool ctrl = (event.wKeyState & MK_CONTROL) != 0;
      switch (event.chKey) {
        case VK_UP: if (!ctrl) MoveSelection(-1, shift); return;
        case VK_DOWN: if (!ctrl) MoveSelection(1, shift); return;
        case VK_PRIOR: MoveSelection(-page, shift); return;
        case VK_NEXT: MoveSelection(page, shift); return;
        case VK_HOME: MoveSelection(-ShownCount(), shift); return;
        case VK_END: MoveSelection(ShownCount(), shift); return;
        case 'A':
          if (multiSelect_ && (event.wKeyState & MK_CONTROL)) return SelectAll();
          break;
        case VK_TAB: ui::MoveFocus(this, !(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)); return;
        default: break;
      }
      break;
    }
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

bool CListUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  std::uint32_t* color = nullptr;
  if (name == u"itembkcolor") color = &rowBkColor_;
  if (name == u"itemaltbkcolor") color = &rowAltBkColor_;
  if (name == u"itemhotbkcolor") color = &rowHotBkColor_;
  if (name == u"itemselectedbkcolor") color = &rowSelectedBkColor_;
  if (name == u"itemlinecolor") color = &rowLineColor_;
  if (name == u"itemtextcolor") color = &rowTextColor_;
  if (name == u"itemselectedtextcolor") color = &rowSelectedTextColor_;
  if (name == u"progresscolor") color = &progressColor_;
  if (name == u"progresstrackcolor") color = &progressTrackColor_;
  if (color) {
    ui::ParseColor(value, *color);
    return true;
  }
  if (name == u"itemheight") {
    rowHeight_ = std::max(8, ui::ParseIntOr(value, rowHeight_));
    if (scrollBar_) scrollBar_->SetLineSize(rowHeight_);
    NeedParentUpdate();
    return true;
  }
  if (name == u"vscrollbar") return true;  // a list always scrolls
  if (name == u"multiselect") {
    SetMultiSelect(value == u"true");
    return true;
  }
  return CContainerUI::SetAttribute(name, value);
}
