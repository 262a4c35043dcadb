#include "ui/controls/CTabLayoutUI.h"

#include <algorithm>

#include "ui/controls/UIAttributes.h"

bool CTabLayoutUI::ChildShown(int index) const { return IsShown() && index == GetCurSel(); }

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  const int old = GetCurSel();
  curSel_ = index;
  PropagateVisibility();
  NeedParentUpdate();
  if (old != index) Notify(u"tabselect", static_cast<WPARAM>(index), old);
  return true;
}

void CTabLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner = InnerRect();
  const int sel = GetCurSel();
  if (CControlUI* page = GetItemAt(sel)) {
    const RECT pad = page->GetPadding();
    page->SetPos(RECT{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                      inner.bottom - pad.bottom});
  }
}

bool CTabLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"selectedid") {
    // Before the pages exist (layout loading) the index is just kept.
    curSel_ = std::max(0, ui::ParseIntOr(value, 0));
    PropagateVisibility();
    return true;
  }
  return CContainerUI::SetAttribute(name, value);
}
