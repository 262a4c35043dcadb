// A button with a selected state. Options sharing a `group` (within one
// window) are exclusive: selecting one clears the others. A click on an
// option in a group selects it; outside a group it toggles. A change of the
// state raises "selectchanged" from the option whose state changed to
// selected (or, outside a group, from the toggled option) with wParam 1 when
// it is now selected, 0 when not.
#ifndef VELMORA_UI_CONTROLS_COPTIONUI_H
#define VELMORA_UI_CONTROLS_COPTIONUI_H

#include "ui/controls/CButtonUI.h"

class COptionUI : public CButtonUI {
 public:
  std::u16string GetClass() const override { return u"OptionUI"; }

  bool IsSelected() const { return selected_; }
  // `notify` false changes the state silently (layout loading).
  void Selected(bool selected, bool notify = true);
  const std::u16string& GetGroup() const { return group_; }
  void SetGroup(std::u16string_view group);

  bool Activate() override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  void PaintBkColor(UIRenderContext& ctx) override;
  void PaintStatusImage(UIRenderContext& ctx) override;
  std::uint32_t CurrentTextColor() const override;

  bool selected_ = false;
  std::u16string group_;
  std::u16string selectedImage_;
  std::u16string selectedHotImage_;
  std::uint32_t selectedBkColor_ = 0;
  std::uint32_t selectedTextColor_ = 0;
  std::uint32_t selectedLineColor_ = 0;
};

// An option drawn as a box with a tick in front of its text (unless the
// skin gives images).
class CCheckBoxUI : public COptionUI {
 public:
  CCheckBoxUI();
  std::u16string GetClass() const override { return u"CheckBoxUI"; }
  bool IsChecked() const { return IsSelected(); }
  void SetCheck(bool checked, bool notify = true) { Selected(checked, notify); }

 protected:
  void PaintStatusImage(UIRenderContext& ctx) override;
};

#endif
