#include "ui/controls/CTreeViewUI.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/controls/UIRender.h"

int CTreeViewUI::AddNode(std::u16string_view text, int parentRow) {
  if (parentRow < -1 || parentRow >= GetRowCount()) return -1;
  int at = GetRowCount();
  int level = 0;
  if (parentRow >= 0) {
    level = rows_[static_cast<size_t>(parentRow)].level + 1;
    at = parentRow + 1;
    while (at < GetRowCount() && rows_[static_cast<size_t>(at)].level >= level) ++at;
  }
  std::vector<std::u16string> cells{std::u16string(text)};
  const int row = InsertRow(std::move(cells), at);
  rows_[static_cast<size_t>(row)].level = level;
  RowsChanged();
  return row;
}

bool CTreeViewUI::HasChildren(int row) const {
  return row >= 0 && row + 1 < GetRowCount() &&
         rows_[static_cast<size_t>(row) + 1].level > rows_[static_cast<size_t>(row)].level;
}

bool CTreeViewUI::SetExpanded(int row, bool expanded) {
  if (row < 0 || row >= GetRowCount()) return false;
  rows_[static_cast<size_t>(row)].expanded = expanded;
  // A selection inside the collapsed part moves up to the node.
  const int sel = GetCurSel();
  RowsChanged();
  if (sel >= 0 && !IsRowShown(sel)) SelectRow(row);
  return true;
}

bool CTreeViewUI::IsExpanded(int row) const { return row >= 0 && row < GetRowCount() && rows_[static_cast<size_t>(row)].expanded; }

int CTreeViewUI::GetLevel(int row) const { return row >= 0 && row < GetRowCount() ? rows_[static_cast<size_t>(row)].level : -1; }

void CTreeViewUI::Rebuild() const {
  if (!dirty_) return;
  shown_.clear();
  shownIndex_.assign(rows_.size(), -1);
  int hideDeeperThan = -1;  // level of a collapsed node whose descendants are hidden
  for (size_t i = 0; i < rows_.size(); ++i) {
    const Row& r = rows_[i];
    if (hideDeeperThan >= 0 && r.level > hideDeeperThan) continue;
    hideDeeperThan = r.expanded ? -1 : r.level;
    shownIndex_[i] = static_cast<int>(shown_.size());
    shown_.push_back(static_cast<int>(i));
  }
  dirty_ = false;
}

int CTreeViewUI::ShownCount() const {
  Rebuild();
  return static_cast<int>(shown_.size());
}

int CTreeViewUI::ShownRow(int shownIndex) const {
  Rebuild();
  return shownIndex >= 0 && shownIndex < static_cast<int>(shown_.size()) ? shown_[static_cast<size_t>(shownIndex)] : -1;
}

int CTreeViewUI::ShownIndexOf(int row) const {
  Rebuild();
  return row >= 0 && row < static_cast<int>(shownIndex_.size()) ? shownIndex_[static_cast<size_t>(row)] : -1;
}

void CTreeViewUI::RowsChanged() {
  dirty_ = true;
  CListUI::RowsChanged();
}

void CTreeViewUI::PaintFirstCell(UIRenderContext& ctx, const RECT& cell, int row) {
  const int indent = rows_[static_cast<size_t>(row)].level * kIndent;
  if (HasChildren(row)) {
    QPainter& p = ctx.painter;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8A, 0x93, 0xA0));
    const qreal cx = cell.left + indent + 14;
    const qreal cy = (cell.top + cell.bottom) / 2.0;
    QPainterPath arrow;
    if (IsExpanded(row)) {
      arrow.moveTo(cx - 4, cy - 2);
      arrow.lineTo(cx + 4, cy - 2);
      arrow.lineTo(cx, cy + 3);
    } else {
      arrow.moveTo(cx - 2, cy - 4);
      arrow.lineTo(cx + 3, cy);
      arrow.lineTo(cx - 2, cy + 4);
    }
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.restore();
  }
  RECT text{cell.left + indent + kIndent, cell.top, cell.right, cell.bottom};
  PaintCellText(ctx, text, row, 0);
}

bool CTreeViewUI::PressRow(int row, POINT pt) {
  if (!HasChildren(row)) return false;
  const int left = BodyRect().left + rows_[static_cast<size_t>(row)].level * kIndent;
  if (pt.x < left || pt.x >= left + kIndent + 10) return false;
  SetExpanded(row, !IsExpanded(row));
  return true;
}
