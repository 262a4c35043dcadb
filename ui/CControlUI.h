// The base of every control. The paint manager sees the control tree only
// through the virtual members in the first block below: it lays the root out
// on WM_SIZE (SetPos), paints it (DoPaint), finds controls by point and by
// name (FindControlAt, FindControlByName) and hands it input (DoEvent). The
// controls layer derives its classes from here and may add freely; the
// manager needs nothing else.
//
// A control belongs to its parent (or, for the root, to the paint manager
// that attached it) and is deleted with it.
#ifndef VELMORA_UI_CCONTROLUI_H
#define VELMORA_UI_CCONTROLUI_H

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/UIEvents.h"

class CPaintManagerUI;
struct UIRenderContext;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // What the paint manager relies on.
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);
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
  CPaintManagerUI* GetManager() const { return manager_; }
  CControlUI* GetParent() const { return parent_; }

  void Invalidate();

 protected:
  CPaintManagerUI* manager_ = nullptr;
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
};

#endif
