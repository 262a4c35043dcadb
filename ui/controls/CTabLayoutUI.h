// Pages on top of each other; only the selected child shows. Selecting
// another page raises "tabselect" with the new index in wParam and the old
// one in lParam.
#ifndef VELMORA_UI_CONTROLS_CTABLAYOUTUI_H
#define VELMORA_UI_CONTROLS_CTABLAYOUTUI_H

#include "ui/controls/CContainerUI.h"

class CTabLayoutUI : public CContainerUI {
 public:
  std::u16string GetClass() const override { return u"TabLayoutUI"; }

  int GetCurSel() const { return GetCount() == 0 ? -1 : std::min(curSel_, GetCount() - 1); }
  // False for an index out of range.
  bool SelectItem(int index);
  bool SelectItem(CControlUI* page) { return SelectItem(GetItemIndex(page)); }

  void SetPos(RECT rc) override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  bool ChildShown(int index) const override;

 private:
  int curSel_ = 0;
};

#endif
