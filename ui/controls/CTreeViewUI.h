// A list whose rows form a tree: each row has a depth, and a row followed by
// deeper rows is a node that can be collapsed (its descendants are then not
// shown). The layouts create one for the class "SelectList". Row indexes are
// those of the underlying list, shown or not.
#ifndef VELMORA_UI_CONTROLS_CTREEVIEWUI_H
#define VELMORA_UI_CONTROLS_CTREEVIEWUI_H

#include "ui/controls/CListUI.h"

class CTreeViewUI : public CListUI {
 public:
  static constexpr int kIndent = 16;

  std::u16string GetClass() const override { return u"TreeViewUI"; }

  // Adds `text` as the last child of `parentRow` (-1: a top-level node) and
  // returns its row, or -1 for a parent out of range.
  int AddNode(std::u16string_view text, int parentRow = -1);
  bool HasChildren(int row) const;
  bool SetExpanded(int row, bool expanded);
  bool IsExpanded(int row) const;
  int GetLevel(int row) const;
  bool IsRowShown(int row) const { return ShownIndexOf(row) >= 0; }

 protected:
  int ShownCount() const override;
  int ShownRow(int shownIndex) const override;
  int ShownIndexOf(int row) const override;
  void RowsChanged() override;
  void PaintFirstCell(UIRenderContext& ctx, const RECT& cell, int row) override;
  bool PressRow(int row, POINT pt) override;

 private:
  void Rebuild() const;

  mutable std::vector<int> shown_;
  mutable std::vector<int> shownIndex_;
  mutable bool dirty_ = true;
};

#endif
