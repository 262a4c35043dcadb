// A list of rows under a column header. Rows are plain data (the text of
// each cell and a number for the caller), not controls, so a list of tens
// of thousands of rows costs little and paints only the rows in view.
//
// Notifications, all from the list with the row index in wParam:
//   "itemclick"       left press on a row
//   "itemdoubleclick" double click on a row
//   "itemselect"      the selection changed (lParam: the previous row, -1
//                     for none); also on keyboard moves
//   "menu"            right click (after selecting the row under the mouse;
//                     wParam -1 on empty space); the point is the mouse's
//   "selectionchanged" the set of selected rows changed (wParam: how many
//                     are selected, lParam: the current row or -1)
//   "headerclick"     a click on a header item (wParam: its column)
// With `multiselect`, Ctrl+click toggles a row, Shift+click and Shift with
// the arrow keys select a range from the anchor, and Ctrl+A selects all;
// the current row (GetCurSel) is the one last clicked or moved to. Without
// it the selection is the current row alone, as it always was.
// Cells with no text of their own ask the text callback, when one is set.
#ifndef VELMORA_UI_CONTROLS_CLISTUI_H
#define VELMORA_UI_CONTROLS_CLISTUI_H

#include <cstdint>
#include <string>
#include <vector>

#include "ui/controls/CContainerUI.h"

class CListHeaderUI;
class CListHeaderItemUI;

class IListCallbackUI {
 public:
  virtual std::u16string GetItemText(CControlUI* list, int item, int subItem) = 0;

 protected:
  ~IListCallbackUI() = default;
};

class CListUI : public CContainerUI {
 public:
  struct Row {
    std::vector<std::u16string> cells;
    std::intptr_t data = 0;
    int level = 0;  // tree depth (tree views)
    bool expanded = true;
    bool selected = false;
    std::u16string toolTip;  // shown while the mouse rests on the row
  };
  // How SortRows compares cells: as text in natural order (digit runs by
  // value, letters without case), or by the number the text starts with.
  enum class SortKind { Text, Number };

  CListUI();
  ~CListUI() override;
  std::u16string GetClass() const override { return u"ListUI"; }
  bool IsFocusable() const override { return true; }

  // Only a header may be added as a child; anything else is refused.
  CListHeaderUI* GetHeader() const { return header_; }
  int GetColumnCount() const;

  // Rows. Indexes run from 0; out-of-range indexes fail.
  int GetRowCount() const { return static_cast<int>(rows_.size()); }
  // Inserts at `index` (-1 or past the end appends); returns the index.
  int InsertRow(std::vector<std::u16string> cells, int index = -1);
  bool RemoveRow(int index);
  void RemoveAllRows();
  bool SetCellText(int row, int column, std::u16string_view text);
  std::u16string GetCellText(int row, int column) const;
  bool SetRowData(int row, std::intptr_t data);
  std::intptr_t GetRowData(int row) const;
  const Row* GetRow(int row) const;
  // The text shown when the mouse rests on the row; empty shows none.
  bool SetRowToolTip(int row, std::u16string_view text);
  // Column widths as the header lays them out now; one per header item.
  std::vector<int> GetColumnWidths() const;
  // Sets a column's width (at least the header's smallest); false for a
  // column with no header item or one that takes the room left over.
  bool SetColumnWidth(int column, int width);

  int GetCurSel() const { return curSel_; }
  // -1 clears the selection. Raises "itemselect" when it changed and
  // `notify` is true; false for an index out of range.
  bool SelectRow(int row, bool notify = true);

  // Several selected rows (ui/controls/CListUISelection.cpp).
  bool IsMultiSelect() const { return multiSelect_; }
  // Turning it off keeps only the current row selected.
  void SetMultiSelect(bool multi);
  bool IsRowSelected(int row) const;
  int GetSelectedCount() const;
  std::vector<int> GetSelectedRows() const;
  // Selects or deselects one row, leaving the others (the whole selection
  // becomes that row in a single-selection list). False out of range.
  bool SetRowSelected(int row, bool selected, bool notify = true);
  // Every row from `from` to `to` inclusive, in any order; `add` keeps the
  // rows already selected. The current row becomes `to`.
  bool SelectRange(int from, int to, bool add, bool notify = true);
  void SelectAll(bool notify = true);
  void ClearSelection(bool notify = true);
  // Removes every selected row in one pass (deleting many rows one by one
  // would move the rest once per row); returns how many went.
  int RemoveSelectedRows();

  // Sorting (ui/controls/CListUISort.cpp). A stable sort of the rows by the
  // cells of `column` (any column, also one past the header, where scripts
  // keep keys that are not shown); selection and current row follow their
  // rows. False for a column out of range or a tree view.
  bool SortRows(int column, bool descending, SortKind kind = SortKind::Text);
  // The arrow on a header item: 1 ascending, -1 descending, 0 none; one
  // column at a time. False for a column with no header item.
  bool SetSortMark(int column, int order);
  void EnsureVisible(int row);
  int GetRowHeight() const { return rowHeight_; }
  // The row under a client point, or -1.
  int RowAt(POINT pt) const;

  void SetTextCallback(IListCallbackUI* callback) { callback_ = callback; }
  IListCallbackUI* GetTextCallback() const { return callback_; }

  bool AddAt(CControlUI* control, int index) override;
  void SetPos(RECT rc) override;
  void DoPaint(UIRenderContext& ctx, const RECT& dirty) override;
  CControlUI* FindControlAt(POINT pt) override;
  void DoEvent(TEventUI& event) override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  void ForgetChild(CControlUI* child) override;
  // Rows shown, in order: all of them for a list; a tree view hides the
  // children of collapsed nodes.
  virtual int ShownCount() const { return GetRowCount(); }
  virtual int ShownRow(int shownIndex) const { return shownIndex; }
  virtual int ShownIndexOf(int row) const { return row; }
  // Called after rows were added or removed.
  virtual void RowsChanged();
  // Draws the first cell; tree views indent it.
  virtual void PaintFirstCell(UIRenderContext& ctx, const RECT& cell, int row);
  void PaintCellText(UIRenderContext& ctx, const RECT& cell, int row, int column);
  // A press at `pt` on `row`; a tree view may toggle a node here. True when
  // the press was used up.
  virtual bool PressRow(int row, POINT pt);
  RECT BodyRect() const;
  void UpdateScrollRange();

  std::vector<Row> rows_;

 private:
  struct Column {
    int left;
    int right;
    CListHeaderItemUI* item;
  };
  std::vector<Column> Columns() const;
  void PaintRow(UIRenderContext& ctx, const RECT& rc, int row, const std::vector<Column>& columns);
  void PaintProgressCell(UIRenderContext& ctx, const RECT& cell, int row, int column);
  void MoveSelection(int shownDelta, bool extend = false);
  void SetHotRow(int row);
  // Selection by the mouse and the keyboard (CListUISelection.cpp).
  void ClickRow(int row, WPARAM keys);
  void MoveSelectionTo(int row, bool extend);
  // Sends "itemselect" when the current row changed and "selectionchanged"
  // when the selection did; false when a notifier removed the list.
  bool NotifySelection(int oldCurrent, bool setChanged);
  // Flag edits; each answers whether a flag changed.
  bool SetSelectedFlags(int from, int to, bool selected);
  bool ClearFlagsOutside(int row);

  CListHeaderUI* header_ = nullptr;
  IListCallbackUI* callback_ = nullptr;
  int curSel_ = -1;
  int anchor_ = -1;  // where a Shift range starts
  bool multiSelect_ = false;
  int hotRow_ = -1;
  int rowHeight_ = 32;
  std::uint32_t rowBkColor_ = 0;
  std::uint32_t rowAltBkColor_ = 0;
  std::uint32_t rowHotBkColor_ = 0xFFF2F6FC;
  std::uint32_t rowSelectedBkColor_ = 0xFFE3EDFD;
  std::uint32_t rowLineColor_ = 0;
  std::uint32_t rowTextColor_ = 0;
  std::uint32_t rowSelectedTextColor_ = 0;
  std::uint32_t progressColor_ = 0xFF2F7CF6;
  std::uint32_t progressTrackColor_ = 0xFFE6E9EF;
};

#endif
