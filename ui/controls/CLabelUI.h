// Text controls. A label draws one line (by default centred vertically and
// cut with an ellipsis); a text control breaks words over several lines.
// With `autocalcwidth` a label asks for exactly the width of its text; with
// `autocalcheight` (in a vertical layout) for the height its wrapped text
// needs, so a scrolling layout can show a long text whole.
#ifndef VELMORA_UI_CONTROLS_CLABELUI_H
#define VELMORA_UI_CONTROLS_CLABELUI_H

#include "ui/controls/CControlUI.h"

class CLabelUI : public CControlUI {
 public:
  std::u16string GetClass() const override { return u"LabelUI"; }
  SIZE EstimateSize(SIZE available) override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void SetText(std::u16string_view text) override;

 protected:
  void PaintText(UIRenderContext& ctx) override;
  // The colour text is drawn in now (state colours of derived controls).
  virtual std::uint32_t CurrentTextColor() const;

  bool autoCalcWidth_ = false;
  bool autoCalcHeight_ = false;
};

class CTextUI : public CLabelUI {
 public:
  CTextUI();
  std::u16string GetClass() const override { return u"TextUI"; }
};

#endif
