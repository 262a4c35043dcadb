// A horizontal progress bar: the track is the control's background, the
// filled part is `fgcolor` (or `fgimage`, cut to the value). With
// `showtext` the bar shows its percentage when no text is set.
#ifndef VELMORA_UI_CONTROLS_CPROGRESSUI_H
#define VELMORA_UI_CONTROLS_CPROGRESSUI_H

#include "ui/controls/CLabelUI.h"

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  std::u16string GetClass() const override { return u"ProgressUI"; }

  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  int GetValue() const { return value_; }
  // Clamped to min..max.
  void SetValue(int value);

  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  void PaintStatusImage(UIRenderContext& ctx) override;
  void PaintText(UIRenderContext& ctx) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  bool showText_ = false;
  std::uint32_t fgColor_ = 0xFF2F7CF6;
  std::u16string fgImage_;
};

#endif
