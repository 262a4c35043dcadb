// The column header of a list: a horizontal row of header items, each one
// column. An item's width is its column's width (0: the room left over);
// `celltype="progress"` makes the column show its cell text (a number from
// 0 to 100) as a progress bar.
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
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 private:
  CellType cellType_ = CellType::Text;
  unsigned cellStyle_;
};

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();
  std::u16string GetClass() const override { return u"ListHeaderUI"; }
};

#endif
