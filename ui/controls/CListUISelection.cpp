// CListUI's selection: which rows are selected, and how the mouse, the
// keyboard and callers change that. Each row carries its own flag, so the
// selection follows its rows through inserts, removals and sorting.
//
// Invariant: the current row (curSel_) is -1 or a selected row; in a
// single-selection list it is the only selected row.
#include <algorithm>

#include "ui/controls/ControlRegistry.h"
#include "ui/controls/CListUI.h"

bool CListUI::SetSelectedFlags(int from, int to, bool selected) {
  if (from > to) std::swap(from, to);
  from = std::max(from, 0);
  to = std::min(to, GetRowCount() - 1);
  bool changed = false;
  for (int i = from; i <= to; ++i) {
    Row& row = rows_[static_cast<size_t>(i)];
    if (row.selected != selected) {
      row.selected = selected;
      changed = true;
    }
  }
  return changed;
}

bool CListUI::ClearFlagsOutside(int keep) {
  bool changed = false;
  for (int i = 0; i < GetRowCount(); ++i) {
    Row& row = rows_[static_cast<size_t>(i)];
    if (i != keep && row.selected) {
      row.selected = false;
      changed = true;
    }
  }
  return changed;
}

bool CListUI::NotifySelection(int oldCurrent, bool setChanged) {
  const int current = curSel_;
  if (current != oldCurrent) {
    Notify(u"itemselect", static_cast<WPARAM>(current), oldCurrent);
    if (!ui::IsLiveControl(this)) return false;
  }
  if (setChanged) {
    Notify(u"selectionchanged", static_cast<WPARAM>(GetSelectedCount()), curSel_);
    if (!ui::IsLiveControl(this)) return false;
  }
  return true;
}

void CListUI::SetMultiSelect(bool multi) {
  multiSelect_ = multi;
  if (multi) return;
  ClearFlagsOutside(curSel_);
  Invalidate();
}

bool CListUI::IsRowSelected(int row) const {
  return row >= 0 && row < GetRowCount() && rows_[static_cast<size_t>(row)].selected;
}

int CListUI::GetSelectedCount() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
}

std::vector<int> CListUI::GetSelectedRows() const {
  std::vector<int> selected;
  for (int i = 0; i < GetRowCount(); ++i)
    if (rows_[static_cast<size_t>(i)].selected) selected.push_back(i);
  return selected;
}

bool CListUI::SetRowSelected(int row, bool selected, bool notify) {
  if (row < 0 || row >= GetRowCount()) return false;
  if (!multiSelect_) {
    if (selected) return SelectRow(row, notify);
    return row == curSel_ ? SelectRow(-1, notify) : true;
  }
  const int old = curSel_;
  if (!SetSelectedFlags(row, row, selected)) return true;
  if (selected && curSel_ < 0) curSel_ = row;
  if (!selected && curSel_ == row) curSel_ = -1;
  Invalidate();
  if (notify) NotifySelection(old, true);
  return true;
}

bool CListUI::SelectRange(int from, int to, bool add, bool notify) {
  const int count = GetRowCount();
  if (from < 0 || to < 0 || from >= count || to >= count) return false;
  if (!multiSelect_) return SelectRow(to, notify);
  const int old = curSel_;
  bool changed = add ? false : ClearFlagsOutside(-1);
  changed |= SetSelectedFlags(from, to, true);
  curSel_ = to;
  anchor_ = from;
  EnsureVisible(to);
  Invalidate();
  if (notify) NotifySelection(old, changed);
  return true;
}

void CListUI::SelectAll(bool notify) {
  if (!multiSelect_ || GetRowCount() == 0) return;
  const int old = curSel_;
  const bool changed = SetSelectedFlags(0, GetRowCount() - 1, true);
  if (curSel_ < 0) curSel_ = anchor_ >= 0 ? anchor_ : 0;
  Invalidate();
  if (notify) NotifySelection(old, changed);
}

void CListUI::ClearSelection(bool notify) { SelectRow(-1, notify); }

int CListUI::RemoveSelectedRows() {
  if (anchor_ >= 0) {
    const auto above = std::count_if(rows_.begin(), rows_.begin() + anchor_, [](const Row& r) { return r.selected; });
    anchor_ = IsRowSelected(anchor_) ? -1 : anchor_ - static_cast<int>(above);
  }
  const auto removed = std::erase_if(rows_, [](const Row& r) { return r.selected; });
  if (removed == 0) return 0;
  curSel_ = hotRow_ = -1;  // the current row was a selected one
  RowsChanged();
  return static_cast<int>(removed);
}

// Plain click: the row alone. Ctrl: toggles the row. Shift: the range from
// the anchor (added to the selection with Ctrl as well).
void CListUI::ClickRow(int row, WPARAM keys) {
  const bool control = (keys & MK_CONTROL) != 0;
  const bool shift = (keys & MK_SHIFT) != 0;
  if (!multiSelect_ || (!control && !shift)) {
    SelectRow(row);
    return;
  }
  if (shift) {
    const int from = anchor_ >= 0 ? anchor_ : row;
    SelectRange(from, row, control);
    return;
  }
  const int old = curSel_;
  const bool selected = !IsRowSelected(row);
  SetSelectedFlags(row, row, selected);
  anchor_ = row;
  if (selected)
    curSel_ = row;
  else if (curSel_ == row)
    curSel_ = -1;
  EnsureVisible(row);
  Invalidate();
  NotifySelection(old, true);
}

void CListUI::MoveSelectionTo(int row, bool extend) {
  if (!multiSelect_ || !extend || anchor_ < 0) {
    SelectRow(row);
    return;
  }
  SelectRange(anchor_, row, false);
}
