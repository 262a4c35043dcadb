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
  };

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

  int GetCurSel() const { return curSel_; }
  // -1 clears the selection. Raises "itemselect" when it changed and
  // `notify` is true; false for an index out of range.
  bool SelectRow(int row, bool notify = true);
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
  void MoveSelection(int shownDelta);
  void SetHotRow(int row);

  CListHeaderUI* header_ = nullptr;
  IListCallbackUI* callback_ = nullptr;
  int curSel_ = -1;
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
