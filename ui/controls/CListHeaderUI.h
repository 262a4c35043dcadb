// The column header of a list: a horizontal row of header items, each one
// column. An item's width is its column's width (0: the room left over);
// `celltype="progress"` makes the column show its cell text (a number from
// 0 to 100) as a progress bar. A click on an item raises "headerclick" from
// the list with the column in wParam; an item may show a sort arrow.
#ifndef VELMORA_UI_CONTROLS_CLISTHEADERUI_H
#define VELMORA_UI_CONTROLS_CLISTHEADERUI_H

#include "ui/controls/CLabelUI.h"
#include "ui/controls/CLinearLayoutUI.h"

class CListHeaderItemUI : public CLabelUI {
 public:
  enum class CellType { Text, Progress };

  CListHeaderItemUI();
  std::u16string GetClass() const override { return u"ListHeaderItemUI"; }
  CellType GetCellType() const { return cellType_; }
  unsigned GetCellStyle() const { return cellStyle_; }
  // 1: an arrow up (ascending), -1: down (descending), 0: none.
  int GetSortMark() const { return sortMark_; }
  void SetSortMark(int order);
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoEvent(TEventUI& event) override;

 protected:
  void PaintText(UIRenderContext& ctx) override;

 private:
  CellType cellType_ = CellType::Text;
  int sortMark_ = 0;
  unsigned cellStyle_;
};

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();
  std::u16string GetClass() const override { return u"ListHeaderUI"; }
  // The list that took this header (its parent), which raises the header's
  // notifications; null while the header belongs to no list.
  CControlUI* GetList() const { return list_; }
  void SetList(CControlUI* list) { list_ = list; }

 private:
  CControlUI* list_ = nullptr;
};

#endif
