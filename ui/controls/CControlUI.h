// The base of every control. The paint manager sees the control tree only
// through the virtual members in the first block below: it lays the root out
// on WM_SIZE (SetPos), paints it (DoPaint), finds controls by point and by
// name (FindControlAt, FindControlByName) and hands it input (DoEvent). The
// controls layer derives its classes from here and may add freely; the
// manager needs nothing else.
//
// A control belongs to its parent (or, for the root, to the paint manager
// that attached it) and is deleted with it.
//
// Layout model: a control asks its parent for room through EstimateSize; a
// fixed width or height of 0 means "take what the parent offers". Padding is
// room kept free around the control inside its parent's layout; a floating
// control ignores the layout and sits at its `pos` relative to the parent.
#ifndef VELMORA_UI_CONTROLS_CCONTROLUI_H
#define VELMORA_UI_CONTROLS_CCONTROLUI_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls/ControlHost.h"
#include "ui/controls/LayoutText.h"
#include "ui/controls/UIEvents.h"

class CPaintManagerUI;
struct UIRenderContext;
class QFont;

namespace ui {
class LayoutStyle;
}

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // What the paint manager relies on.
  virtual void SetManager(IControlHost* manager, CControlUI* parent);
  virtual void SetPos(RECT rc);
  virtual void DoPaint(UIRenderContext& ctx, const RECT& dirty);
  virtual CControlUI* FindControlAt(POINT pt);
  virtual CControlUI* FindControlByName(std::u16string_view name);
  virtual void DoEvent(TEventUI& event);
  // Called once, when the manager delivers "windowinit".
  virtual void DoInit() {}

  // Identity and state.
  virtual std::u16string GetClass() const { return u"ControlUI"; }
  const std::u16string& GetName() const { return name_; }
  void SetName(std::u16string_view name) { name_ = name; }
  virtual std::u16string GetText() const { return text_; }
  virtual void SetText(std::u16string_view text);
  const std::u16string& GetBkImage() const { return bkImage_; }
  void SetBkImage(std::u16string_view image);
  const RECT& GetPos() const { return pos_; }
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  int GetFixedWidth() const { return fixedWidth_; }
  int GetFixedHeight() const { return fixedHeight_; }
  virtual void SetVisible(bool visible);
  bool IsVisible() const { return visible_; }
  virtual void SetEnabled(bool enabled);
  bool IsEnabled() const { return enabled_; }
  void SetBkColor(std::uint32_t argb);
  std::uint32_t GetBkColor() const { return bkColor_; }
  CPaintManagerUI* GetManager() const { return manager_ ? manager_->Manager() : nullptr; }
  CControlUI* GetParent() const { return parent_; }

  void Invalidate();

  // ---- The controls layer ----

  // Sets one layout attribute; unknown names are ignored so that a skin may
  // carry attributes for newer controls. Returns false for an unknown name.
  virtual bool SetAttribute(std::u16string_view name, std::u16string_view value);
  // `name="value" name2='value'` as the layouts' default attribute lists.
  void ApplyAttributeList(std::u16string_view list);

  // The room this control wants when `available` is offered.
  virtual SIZE EstimateSize(SIZE available);
  // Hidden by an ancestor (a tab not selected, a hidden container).
  virtual void SetInternVisible(bool visible);
  bool IsInternVisible() const { return internVisible_; }
  // Visible on screen: itself, every ancestor and a non-empty rectangle.
  bool IsShown() const { return visible_ && internVisible_; }

  const std::u16string& GetToolTip() const { return toolTip_; }
  void SetToolTip(std::u16string_view tip) { toolTip_ = tip; }
  const std::u16string& GetUserData() const { return userData_; }
  void SetUserData(std::u16string_view data) { userData_ = data; }
  std::intptr_t GetTag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  RECT GetPadding() const { return padding_; }
  void SetPadding(const RECT& padding);
  bool IsFloat() const { return float_; }
  void SetFloat(bool isFloat);
  RECT GetFloatPos() const { return floatPos_; }
  void SetFloatPos(const RECT& pos);
  SIZE GetMinSize() const { return SIZE{minWidth_, minHeight_}; }
  SIZE GetMaxSize() const { return SIZE{maxWidth_, maxHeight_}; }
  // Clamps a proposed width or height to the min/max attributes.
  int ClampWidth(int cx) const;
  int ClampHeight(int cy) const;

  // A control that takes no mouse input lets presses through to its parent.
  bool IsMouseEnabled() const { return mouseEnabled_; }
  void SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
  bool IsFocused() const;
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }
  virtual bool IsFocusable() const { return false; }

  std::uint32_t GetTextColor() const { return textColor_; }
  void SetTextColor(std::uint32_t argb);
  int GetFont() const { return font_; }
  void SetFont(int index);
  // A ui::TextAlign combination.
  unsigned GetTextStyle() const { return textStyle_; }
  void SetTextStyle(unsigned style);
  std::uint32_t GetBorderColor() const { return borderColor_; }
  int GetBorderSize() const { return borderSize_; }

  // Images by state; each is an image descriptor (see ui/UIImage.h).
  const std::u16string& GetNormalImage() const { return normalImage_; }
  void SetNormalImage(std::u16string_view image);
  void SetHotImage(std::u16string_view image);
  void SetPushedImage(std::u16string_view image);
  void SetDisabledImage(std::u16string_view image);
  void SetFocusedImage(std::u16string_view image);
  // The image named by one of the state attributes ("normalimage", ...).
  std::u16string GetStateImage(std::u16string_view attribute) const;

  // Fonts and default colours of the layout this control came from.
  void SetStyle(std::shared_ptr<const ui::LayoutStyle> style);
  const std::shared_ptr<const ui::LayoutStyle>& GetStyle() const { return style_; }
  QFont ResolveFont() const;

  // The shown texts this control took from its layout, null for the many
  // that took none (see ui/controls/LayoutTranslation.h). Remembering an
  // attribute again replaces what was kept for it.
  std::vector<ui::LayoutText>* LayoutTexts() const { return layoutTexts_.get(); }
  void RememberLayoutText(ui::LayoutText text);

  // Raises a notification of this control through its manager.
  void Notify(std::u16string_view type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false);

 protected:
  // Painting steps of DoPaint, each skippable by a derived class.
  virtual void PaintBkColor(UIRenderContext& ctx);
  virtual void PaintBkImage(UIRenderContext& ctx);
  virtual void PaintStatusImage(UIRenderContext& ctx);
  virtual void PaintText(UIRenderContext& ctx);
  virtual void PaintBorder(UIRenderContext& ctx);
  // The state image that fits now (disabled, pushed, hot, focused, normal).
  const std::u16string& CurrentStateImage() const;
  // The rectangle text goes into: the position less the text padding.
  RECT TextRect() const;
  void NeedParentUpdate();
  void ShowToolTip();
  // The tooltip changed under a resting mouse (a list's row): the old one
  // goes and the new one shows after the usual delay.
  void RestartToolTip();

  IControlHost* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::u16string name_;
  std::u16string text_;
  std::u16string bkImage_;
  RECT pos_;
  int fixedWidth_ = 0;
  int fixedHeight_ = 0;
  std::uint32_t bkColor_ = 0;  // ARGB; 0 paints nothing
  bool visible_ = true;
  bool enabled_ = true;

  bool internVisible_ = true;
  bool float_ = false;
  bool mouseEnabled_ = true;
  bool hot_ = false;
  bool pushed_ = false;
  std::u16string toolTip_;
  std::u16string userData_;
  std::intptr_t tag_ = 0;
  RECT padding_;
  RECT floatPos_;
  RECT textPadding_;
  int minWidth_ = 0;
  int minHeight_ = 0;
  int maxWidth_ = 9999;
  int maxHeight_ = 9999;
  std::uint32_t bkColor2_ = 0;  // gradient end when set
  std::uint32_t borderColor_ = 0;
  std::uint32_t focusBorderColor_ = 0;
  std::uint32_t textColor_ = 0;  // 0: the layout's default
  std::uint32_t disabledTextColor_ = 0;
  int borderSize_ = 0;
  SIZE borderRound_;
  int font_ = -1;
  unsigned textStyle_;
  std::u16string normalImage_;
  std::u16string hotImage_;
  std::u16string pushedImage_;
  std::u16string disabledImage_;
  std::u16string focusedImage_;
  std::u16string foreImage_;
  std::shared_ptr<const ui::LayoutStyle> style_;
  // Allocated only for a control with layout texts, and gone with it.
  std::unique_ptr<std::vector<ui::LayoutText>> layoutTexts_;
};

#endif
