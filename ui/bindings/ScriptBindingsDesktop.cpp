// ui_* functions on the desktop around the window: desktop notifications,
// the free space of a folder's disk, and whether a window takes drops.
#include <string>

#include "platform/DiskSpace.h"
#include "platform/Path.h"
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

struct SpaceAnswer {
  bool ok = false;
  platform::DiskSpace space;
  char* error = nullptr;  // malloc'd
};

// Bytes as Lua numbers: exact up to 2^53, far past any disk.
int ui_freeSpace(lua_State* L) {
  Text path;
  if (!TextArg(L, 1, kStem, __LINE__, path)) return 0;
  SpaceAnswer answer = Guard(
      [&] {
        SpaceAnswer a;
        std::string error;
        a.ok = platform::QueryDiskSpace(platform::NativePathFromAnsi(std::string(path.data, path.size)), a.space,
                                        error);
        if (!a.ok) a.error = AnsiCopy(std::u16string(error.begin(), error.end()));
        return a;
      },
      SpaceAnswer{});
  if (!answer.ok) {
    lua_pushnil(L);
    PushOwned(L, answer.error);
    return 2;
  }
  lua_pushnumber(L, static_cast<lua_Number>(answer.space.available));
  lua_pushnumber(L, static_cast<lua_Number>(answer.space.total));
  return 2;
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
    {"ui_freeSpace", ui_freeSpace},
    {"ui_acceptDrops", ui_acceptDrops},
    {nullptr, nullptr},
};

}  // namespace

const luaL_Reg* uiscript::DesktopFunctions() { return kFunctions; }
