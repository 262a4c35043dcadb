// ui_* functions on the desktop around the window: desktop notifications
// and whether a window takes drops.
#include <string>

#include "ui/controls/DesktopNotification.h"
#include "ui/controls/DropTarget.h"
#include "ui/bindings/ScriptBindingsSupport.h"
#include "ui/bindings/ScriptBindingsTables.h"

using namespace uiscript;

namespace {

constexpr const char* kStem = "ScriptBindingsDesktop";
constexpr int kDefaultTimeoutMs = 5000;

int ui_desktopNotify(lua_State* L) {
  HWND hwnd = nullptr;
  if (!lua_isnoneornil(L, 1) && !(hwnd = WindowArg(L, 1, kStem, __LINE__))) return 0;
  Text title;
  Text text;
  int timeout = kDefaultTimeoutMs;
  if (!TextArg(L, 2, kStem, __LINE__, title) || !TextArg(L, 3, kStem, __LINE__, text)) return 0;
  if (!lua_isnoneornil(L, 4) && !IntArg(L, 4, kStem, __LINE__, timeout)) return 0;
  const bool shown = Guard(
      [&] { return ui::ShowDesktopNotification(ui::DesktopNotice{hwnd, Wide(title), Wide(text), timeout}); }, false);
  lua_pushboolean(L, shown);
  return 1;
}

int ui_acceptDrops(lua_State* L) {
  HWND hwnd = WindowArg(L, 1, kStem, __LINE__);
  bool accept = true;
  if (!hwnd || !BoolArg(L, 2, kStem, __LINE__, accept, true, true)) return 0;
  lua_pushboolean(L, Guard([&] { return ui::SetAcceptDrops(hwnd, accept); }, false));
  return 1;
}

const luaL_Reg kFunctions[] = {
    {"ui_desktopNotify", ui_desktopNotify},
    {"ui_acceptDrops", ui_acceptDrops},
    {nullptr, nullptr},
};

}  // namespace

const luaL_Reg* uiscript::DesktopFunctions() { return kFunctions; }
