// The column header of a list: a horizontal row of header items, each one
// column. An item's width is its column's width (0: the room left over);
// `celltype="progress"` makes the column show its cell text (a number from
// 0 to 100) as a progress bar. A click on an item raises "headerclick" from
// the list with the column in wParam; an item may show a sort arrow.
// Dragging the divider between two items resizes the column left of it;
// when that one takes the room left over (width 0), the one right of it
// instead. On release the list raises "headerresize" with the resized
// column in wParam and its new width in lParam.
#ifndef VELMORA_UI_CONTROLS_CLISTHEADERUI_H
#define VELMORA_UI_CONTROLS_CLISTHEADERUI_H

#include "ui/controls/CLabelUI.h"
#include "ui/controls/CLinearLayoutUI.h"

class CListHeaderItemUI : public CLabelUI {
 public:
  enum class CellType { Text, Progress };

  // The narrowest a dragged or restored column becomes.
  static constexpr int kMinWidth = 24;

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

  // Divider dragging, driven by the items, which get the mouse.
  bool IsOnDivider(int x) const { return DividerAt(x) >= 0; }
  // A press at x that is on a divider starts a resize; true when it did.
  bool BeginResize(int x);
  bool IsResizing() const { return resizing_ >= 0; }
  void ResizeTo(int x);
  // Ends the drag and tells the list the width it came to.
  void EndResize();

 private:
  // The item left of the divider within reach of x, or -1.
  int DividerAt(int x) const;

  CControlUI* list_ = nullptr;
  int resizing_ = -1;
  int dragDirection_ = 1;  // -1 when the column right of the divider moves
  int dragStartX_ = 0;
  int dragStartWidth_ = 0;
};

#endif
