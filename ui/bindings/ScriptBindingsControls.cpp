// ui_* functions on notifications, paint managers and controls.
#include "ui/bindings/ScriptBindingsSupport.h"
#include "ui/bindings/ScriptBindingsTables.h"
#include "ui/controls/CContainerUI.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/COptionUI.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/CProgressUI.h"
#include "ui/controls/CTabLayoutUI.h"
#include "ui/controls/LayoutTranslation.h"

using namespace uiscript;

namespace {

constexpr const char* kStem = "ScriptBindingsControls";

int PushControl(lua_State* L, CControlUI* control) {
  if (control)
    lua_pushlightuserdata(L, control);
  else
    lua_pushnil(L);
  return 1;
}

// ---- Notifications ----

int ui_notifyType(lua_State* L) {
  TNotifyUI* n = NotifyArg(L, 1, kStem, __LINE__);
  if (!n) return 0;
  return PushOwned(L, AnsiCopy(n->sType));
}

int ui_notifySender(lua_State* L) {
  TNotifyUI* n = NotifyArg(L, 1, kStem, __LINE__);
  if (!n) return 0;
  return PushControl(L, n->pSender);
}

int ui_notifyPoint(lua_State* L) {
  TNotifyUI* n = NotifyArg(L, 1, kStem, __LINE__);
  if (!n) return 0;
  lua_pushinteger(L, n->ptMouse.x);
  lua_pushinteger(L, n->ptMouse.y);
  return 2;
}

int ui_notifyWParam(lua_State* L) {
  TNotifyUI* n = NotifyArg(L, 1, kStem, __LINE__);
  if (!n) return 0;
  lua_pushnumber(L, static_cast<lua_Number>(static_cast<std::intptr_t>(n->wParam)));
  return 1;
}

int ui_notifyLParam(lua_State* L) {
  TNotifyUI* n = NotifyArg(L, 1, kStem, __LINE__);
  if (!n) return 0;
  lua_pushnumber(L, static_cast<lua_Number>(n->lParam));
  return 1;
}

// The text a notification carries ("drop"); "" for the others.
int ui_notifyText(lua_State* L) {
  TNotifyUI* n = NotifyArg(L, 1, kStem, __LINE__);
  if (!n) return 0;
  return PushOwned(L, AnsiCopy(n->sText));
}

// ---- Paint managers ----

int ui_findControl(lua_State* L) {
  CPaintManagerUI* pm = ManagerArg(L, 1, kStem, __LINE__);
  Text name;
  if (!pm || !TextArg(L, 2, kStem, __LINE__, name)) return 0;
  CControlUI* found = Guard([&] { return pm->FindControl(Wide(name)); }, static_cast<CControlUI*>(nullptr));
  return PushControl(L, found);
}

int ui_getWindow(lua_State* L) {
  CPaintManagerUI* pm = ManagerArg(L, 1, kStem, __LINE__);
  if (!pm) return 0;
  if (HWND hwnd = pm->GetPaintWindow()) {
    lua_pushlightuserdata(L, hwnd);
    return 1;
  }
  lua_pushnil(L);
  return 1;
}

// After a language switch: the window's layout texts in the new language,
// but not those the scripts set themselves. Returns how many changed.
int ui_applyLanguage(lua_State* L) {
  CPaintManagerUI* pm = ManagerArg(L, 1, kStem, __LINE__);
  if (!pm) return 0;
  lua_pushinteger(L, Guard([&] { return ui::ApplyLanguage(pm->GetRoot()); }, 0));
  return 1;
}

int ui_getManager(lua_State* L) {
  CControlUI* c = ControlArg(L, 1, kStem, __LINE__);
  if (!c) return 0;
  if (c->GetManager())
    lua_pushlightuserdata(L, c->GetManager());
  else
    lua_pushnil(L);
  return 1;
}

int ui_getParent(lua_State* L) {
  CControlUI* c = ControlArg(L, 1, kStem, __LINE__);
  if (!c) return 0;
  return PushControl(L, c->GetParent());
}

int ui_sendNotify(lua_State* L) {
  CControlUI* c = ControlArg(L, 1, kStem, __LINE__);
  Text type;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
  bool async = false;
  if (!c || !TextArg(L, 2, kStem, __LINE__, type) || !WordArg(L, 3, kStem, __LINE__, wParam) ||
      !WordArg(L, 4, kStem, __LINE__, lParam) || !BoolArg(L, 5, kStem, __LINE__, async, true, false))
    return 0;
  const bool sent = Guard(
      [&] {
        if (!c->GetManager()) return false;
        c->GetManager()->SendNotify(c, Wide(type), static_cast<WPARAM>(wParam), lParam, async);
        return true;
      },
      false);
  lua_pushboolean(L, sent);
  return 1;
}

// ---- Any control ----

using TextRead = std::u16string (*)(CControlUI*);

int ReadText(lua_State* L, int line, TextRead read) {
  CControlUI* c = ControlArg(L, 1, kStem, line);
  if (!c) return 0;
  return PushOwned(L, Guard([&] { return AnsiCopy(read(c)); }, static_cast<char*>(nullptr)));
}

using TextWrite = void (*)(CControlUI*, const std::u16string&);

int WriteText(lua_State* L, int line, TextWrite write) {
  CControlUI* c = ControlArg(L, 1, kStem, line);
  Text text;
  if (!c || !TextArg(L, 2, kStem, line, text)) return 0;
  lua_pushboolean(L, Guard(
                         [&] {
                           write(c, Wide(text));
                           return true;
                         },
                         false));
  return 1;
}

int ui_getName(lua_State* L) {
  return ReadText(L, __LINE__, [](CControlUI* c) { return c->GetName(); });
}
int ui_getClass(lua_State* L) {
  return ReadText(L, __LINE__, [](CControlUI* c) { return c->GetClass(); });
}
int ui_getText(lua_State* L) {
  return ReadText(L, __LINE__, [](CControlUI* c) { return c->GetText(); });
}
int ui_getToolTip(lua_State* L) {
  return ReadText(L, __LINE__, [](CControlUI* c) { return c->GetToolTip(); });
}
int ui_getUserData(lua_State* L) {
  return ReadText(L, __LINE__, [](CControlUI* c) { return c->GetUserData(); });
}
int ui_getBkImage(lua_State* L) {
  return ReadText(L, __LINE__, [](CControlUI* c) { return c->GetBkImage(); });
}
int ui_setText(lua_State* L) {
  return WriteText(L, __LINE__, [](CControlUI* c, const std::u16string& t) { c->SetText(t); });
}
int ui_setToolTip(lua_State* L) {
  return WriteText(L, __LINE__, [](CControlUI* c, const std::u16string& t) { c->SetToolTip(t); });
}
int ui_setUserData(lua_State* L) {
  return WriteText(L, __LINE__, [](CControlUI* c, const std::u16string& t) { c->SetUserData(t); });
}
int ui_setBkImage(lua_State* L) {
  return WriteText(L, __LINE__, [](CControlUI* c, const std::u16string& t) { c->SetBkImage(t); });
}

int ui_getImage(lua_State* L) {
  CControlUI* c = ControlArg(L, 1, kStem, __LINE__);
  Text attribute;
  if (!c || !TextArg(L, 2, kStem, __LINE__, attribute)) return 0;
  return PushOwned(L, Guard([&] { return AnsiCopy(c->GetStateImage(Wide(attribute))); }, static_cast<char*>(nullptr)));
}

int ui_setAttribute(lua_State* L) {
  CControlUI* c = ControlArg(L, 1, kStem, __LINE__);
  Text name;
  Text value;
  if (!c || !TextArg(L, 2, kStem, __LINE__, name) || !TextArg(L, 3, kStem, __LINE__, value)) return 0;
  lua_pushboolean(L, Guard([&] { return c->SetAttribute(Wide(name), Wide(value)); }, false));
  return 1;
}

using FlagRead = bool (*)(CControlUI*);
using FlagWrite = void (*)(CControlUI*, bool);

int ReadFlag(lua_State* L, int line, FlagRead read) {
  CControlUI* c = ControlArg(L, 1, kStem, line);
  if (!c) return 0;
  lua_pushboolean(L, read(c));
  return 1;
}

int WriteFlag(lua_State* L, int line, FlagWrite write) {
  CControlUI* c = ControlArg(L, 1, kStem, line);
  bool value = false;
  if (!c || !BoolArg(L, 2, kStem, line, value)) return 0;
  Guard(
      [&] {
        write(c, value);
        return true;
      },
      false);
  return 0;
}

int ui_isVisible(lua_State* L) {
  return ReadFlag(L, __LINE__, [](CControlUI* c) { return c->IsVisible(); });
}
int ui_setVisible(lua_State* L) {
  return WriteFlag(L, __LINE__, [](CControlUI* c, bool v) { c->SetVisible(v); });
}
int ui_isEnabled(lua_State* L) {
  return ReadFlag(L, __LINE__, [](CControlUI* c) { return c->IsEnabled(); });
}
int ui_setEnabled(lua_State* L) {
  return WriteFlag(L, __LINE__, [](CControlUI* c, bool v) { c->SetEnabled(v); });
}

int ui_setFocus(lua_State* L) {
  CControlUI* c = ControlArg(L, 1, kStem, __LINE__);
  if (!c) return 0;
  if (c->GetManager()) c->GetManager()->SetFocus(c);
  return 0;
}

int ui_childCount(lua_State* L) {
  auto* box = KindArg<CContainerUI>(L, 1, kStem, __LINE__, "container");
  if (!box) return 0;
  lua_pushinteger(L, box->GetCount());
  return 1;
}

int ui_childAt(lua_State* L) {
  auto* box = KindArg<CContainerUI>(L, 1, kStem, __LINE__, "container");
  int index = 0;
  if (!box || !IntArg(L, 2, kStem, __LINE__, index)) return 0;
  return PushControl(L, box->GetItemAt(index));
}

// ---- Options, tabs, progress ----

int ui_isSelected(lua_State* L) {
  auto* option = KindArg<COptionUI>(L, 1, kStem, __LINE__, "option");
  if (!option) return 0;
  lua_pushboolean(L, option->IsSelected());
  return 1;
}

int ui_setSelected(lua_State* L) {
  auto* option = KindArg<COptionUI>(L, 1, kStem, __LINE__, "option");
  bool selected = false;
  bool notify = true;
  if (!option || !BoolArg(L, 2, kStem, __LINE__, selected) || !BoolArg(L, 3, kStem, __LINE__, notify, true, true))
    return 0;
  Guard(
      [&] {
        option->Selected(selected, notify);
        return true;
      },
      false);
  return 0;
}

int ui_getCurSel(lua_State* L) {
  auto* tab = KindArg<CTabLayoutUI>(L, 1, kStem, __LINE__, "tab layout");
  if (!tab) return 0;
  lua_pushinteger(L, tab->GetCurSel());
  return 1;
}

int ui_selectTab(lua_State* L) {
  auto* tab = KindArg<CTabLayoutUI>(L, 1, kStem, __LINE__, "tab layout");
  int index = 0;
  if (!tab || !IntArg(L, 2, kStem, __LINE__, index)) return 0;
  lua_pushboolean(L, Guard([&] { return tab->SelectItem(index); }, false));
  return 1;
}

int ui_getValue(lua_State* L) {
  auto* bar = KindArg<CProgressUI>(L, 1, kStem, __LINE__, "progress");
  if (!bar) return 0;
  lua_pushinteger(L, bar->GetValue());
  return 1;
}

int ui_setValue(lua_State* L) {
  auto* bar = KindArg<CProgressUI>(L, 1, kStem, __LINE__, "progress");
  int value = 0;
  if (!bar || !IntArg(L, 2, kStem, __LINE__, value)) return 0;
  bar->SetValue(value);
  return 0;
}

int ui_setRange(lua_State* L) {
  auto* bar = KindArg<CProgressUI>(L, 1, kStem, __LINE__, "progress");
  int low = 0;
  int high = 0;
  if (!bar || !IntArg(L, 2, kStem, __LINE__, low) || !IntArg(L, 3, kStem, __LINE__, high)) return 0;
  bar->SetMinValue(low);
  bar->SetMaxValue(high);
  return 0;
}

const luaL_Reg kFunctions[] = {
    {"ui_notifyType", ui_notifyType},
    {"ui_notifySender", ui_notifySender},
    {"ui_notifyPoint", ui_notifyPoint},
    {"ui_notifyWParam", ui_notifyWParam},
    {"ui_notifyLParam", ui_notifyLParam},
    {"ui_notifyText", ui_notifyText},
    {"ui_findControl", ui_findControl},
    {"ui_getWindow", ui_getWindow},
    {"ui_applyLanguage", ui_applyLanguage},
    {"ui_getManager", ui_getManager},
    {"ui_getParent", ui_getParent},
    {"ui_sendNotify", ui_sendNotify},
    {"ui_getName", ui_getName},
    {"ui_getClass", ui_getClass},
    {"ui_getText", ui_getText},
    {"ui_setText", ui_setText},
    {"ui_getToolTip", ui_getToolTip},
    {"ui_setToolTip", ui_setToolTip},
    {"ui_getUserData", ui_getUserData},
    {"ui_setUserData", ui_setUserData},
    {"ui_getBkImage", ui_getBkImage},
    {"ui_setBkImage", ui_setBkImage},
    {"ui_getImage", ui_getImage},
    {"ui_setAttribute", ui_setAttribute},
    {"ui_isVisible", ui_isVisible},
    {"ui_setVisible", ui_setVisible},
    {"ui_isEnabled", ui_isEnabled},
    {"ui_setEnabled", ui_setEnabled},
    {"ui_setFocus", ui_setFocus},
    {"ui_childCount", ui_childCount},
    {"ui_childAt", ui_childAt},
    {"ui_isSelected", ui_isSelected},
    {"ui_setSelected", ui_setSelected},
    {"ui_getCurSel", ui_getCurSel},
    {"ui_selectTab", ui_selectTab},
    {"ui_getValue", ui_getValue},
    {"ui_setValue", ui_setValue},
    {"ui_setRange", ui_setRange},
    {nullptr, nullptr},
};

}  // namespace

const luaL_Reg* uiscript::ControlFunctions() { return kFunctions; }
