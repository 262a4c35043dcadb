// The two stacking layouts. Children with a fixed size along the stacking
// axis get it; the others share what is left equally (within their min/max
// sizes). Across the axis a child with no fixed size fills the layout.
#ifndef VELMORA_UI_CONTROLS_CLINEARLAYOUTUI_H
#define VELMORA_UI_CONTROLS_CLINEARLAYOUTUI_H

#include "ui/controls/CContainerUI.h"

class CLinearLayoutUI : public CContainerUI {
 public:
  explicit CLinearLayoutUI(bool vertical) : vertical_(vertical) {}
  void SetPos(RECT rc) override;

 private:
  struct Slot {
    CControlUI* control;
    int main;  // 0 until shared out
    bool adjustable;
  };
  int Main(const SIZE& s) const { return vertical_ ? s.cy : s.cx; }
  int Cross(const SIZE& s) const { return vertical_ ? s.cx : s.cy; }
  int MainPadding(const RECT& pad) const { return vertical_ ? pad.top + pad.bottom : pad.left + pad.right; }
  int ClampMain(const CControlUI* c, int v) const { return vertical_ ? c->ClampHeight(v) : c->ClampWidth(v); }
  // Sizes along the axis for every visible, non-floating child; returns the
  // content length.
  int Measure(const RECT& inner, std::vector<Slot>& slots);
  void Place(const RECT& inner, int offset, const std::vector<Slot>& slots);

  bool vertical_;
};

class CVerticalLayoutUI : public CLinearLayoutUI {
 public:
  CVerticalLayoutUI() : CLinearLayoutUI(true) {}
  std::u16string GetClass() const override { return u"VerticalLayoutUI"; }
};

class CHorizontalLayoutUI : public CLinearLayoutUI {
 public:
  CHorizontalLayoutUI() : CLinearLayoutUI(false) {}
  std::u16string GetClass() const override { return u"HorizontalLayoutUI"; }
};

#endif
