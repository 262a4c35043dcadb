// A control that holds others. The plain container gives every child the
// whole inner rectangle (its position less the inset); the layouts derive
// from it and stack their children instead. A container may scroll
// vertically: with `vscrollbar` on, content taller than the view gets a
// scroll bar and the children move by the scroll position.
#ifndef VELMORA_UI_CONTROLS_CCONTAINERUI_H
#define VELMORA_UI_CONTROLS_CCONTAINERUI_H

#include <memory>
#include <vector>

#include "ui/controls/CControlUI.h"
#include "ui/controls/CScrollBarUI.h"

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  std::u16string GetClass() const override { return u"ContainerUI"; }

  // Takes ownership. False (and the control deleted) for a null control.
  bool Add(CControlUI* control) { return AddAt(control, GetCount()); }
  virtual bool AddAt(CControlUI* control, int index);
  // Deletes the child; false when it is not a child.
  bool Remove(CControlUI* control);
  bool RemoveAt(int index);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const;
  int GetItemIndex(const CControlUI* control) const;

  RECT GetInset() const { return inset_; }
  void SetInset(const RECT& inset);
  int GetChildPadding() const { return childPadding_; }
  void SetChildPadding(int padding);
  void EnableScrollBar(bool vertical);
  CScrollBarUI* GetVerticalScrollBar() const { return scrollBar_.get(); }
  int GetScrollPos() const;
  void SetScrollPos(int pos);

  void SetManager(IControlHost* manager, CControlUI* parent) override;
  void SetPos(RECT rc) override;
  void DoPaint(UIRenderContext& ctx, const RECT& dirty) override;
  CControlUI* FindControlAt(POINT pt) override;
  CControlUI* FindControlByName(std::u16string_view name) override;
  void DoEvent(TEventUI& event) override;
  void DoInit() override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  // Told just before a child is deleted, so a subclass keeping its own
  // pointer to that child can let go of it.
  virtual void ForgetChild(CControlUI* /*child*/) {}
  // The rectangle children are laid out in: position less inset, less the
  // scroll bar when it shows.
  RECT InnerRect() const;
  // Places the scroll bar for content of `contentHeight` in the inner
  // rectangle; returns the scroll offset to apply.
  int UpdateScroll(int contentHeight);
  void PlaceFloat(CControlUI* child);
  // What a child gets shown as: hidden when this container is not shown.
  virtual bool ChildShown(int index) const;
  void PropagateVisibility();

  std::vector<std::unique_ptr<CControlUI>> items_;
  RECT inset_;
  int childPadding_ = 0;
  std::unique_ptr<CScrollBarUI> scrollBar_;
  bool scrollWanted_ = false;
};

#endif
