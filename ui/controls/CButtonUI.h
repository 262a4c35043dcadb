// Buttons. A button raises "click" when pressed and released inside it (or
// on Space or Enter while focused). Without images it can still show its
// states through the hot/pushed colour attributes.
#ifndef VELMORA_UI_CONTROLS_CBUTTONUI_H
#define VELMORA_UI_CONTROLS_CBUTTONUI_H

#include "ui/controls/CLabelUI.h"

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  std::u16string GetClass() const override { return u"ButtonUI"; }
  bool IsFocusable() const override { return true; }

  // What a click does; false when the control is disabled or hidden.
  virtual bool Activate();

  void DoEvent(TEventUI& event) override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  void PaintBkColor(UIRenderContext& ctx) override;
  std::uint32_t CurrentTextColor() const override;

  std::uint32_t hotBkColor_ = 0;
  std::uint32_t pushedBkColor_ = 0;
  std::uint32_t hotTextColor_ = 0;
  std::uint32_t pushedTextColor_ = 0;
};

#endif
