#include "ui/controls/CListHeaderUI.h"

#include "ui/controls/UIText.h"

CListHeaderItemUI::CListHeaderItemUI() : cellStyle_(ui::kDefaultTextStyle) {
  textPadding_ = RECT{10, 0, 6, 0};
}

bool CListHeaderItemUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"celltype") {
    cellType_ = value == u"progress" ? CellType::Progress : CellType::Text;
    return true;
  }
  if (name == u"cellalign") {
    cellStyle_ &= ~(ui::kTextCenter | ui::kTextRight);
    if (value == u"center") cellStyle_ |= ui::kTextCenter;
    if (value == u"right") cellStyle_ |= ui::kTextRight;
    return true;
  }
  return CLabelUI::SetAttribute(name, value);
}

CListHeaderUI::CListHeaderUI() { fixedHeight_ = 30; }
