// A slim vertical scroll bar owned by a scrolling control (a layout or a
// list). It keeps a position between 0 and its range and tells its owner
// through a callback whenever the user moves it.
#ifndef VELMORA_UI_CONTROLS_CSCROLLBARUI_H
#define VELMORA_UI_CONTROLS_CSCROLLBARUI_H

#include <functional>

#include "ui/controls/CControlUI.h"

class CScrollBarUI : public CControlUI {
 public:
  static constexpr int kWidth = 10;

  std::u16string GetClass() const override { return u"ScrollBarUI"; }

  // `range` is content height minus view height; `page` the view height.
  void SetScrollRange(int range, int page);
  int GetScrollRange() const { return range_; }
  // Clamped to 0..range. Does not call the callback.
  void SetScrollPos(int pos);
  int GetScrollPos() const { return scrollPos_; }
  void SetLineSize(int line) { lineSize_ = line > 0 ? line : 1; }
  int GetLineSize() const { return lineSize_; }
  void SetOnScroll(std::function<void(int)> onScroll) { onScroll_ = std::move(onScroll); }
  // Moves by `delta` and tells the owner when the position changed.
  void ScrollBy(int delta);

  void DoEvent(TEventUI& event) override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  void PaintStatusImage(UIRenderContext& ctx) override;

 private:
  RECT ThumbRect() const;
  void MoveTo(int pos);

  int range_ = 0;
  int page_ = 0;
  int scrollPos_ = 0;
  int lineSize_ = 24;
  bool dragging_ = false;
  int dragStartY_ = 0;
  int dragStartPos_ = 0;
  std::uint32_t thumbColor_ = 0x66000000;
  std::uint32_t thumbHotColor_ = 0x99000000;
  std::function<void(int)> onScroll_;
};

#endif
