#include "app/DialogScriptLibrary.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <QCursor>
#include <QFileDialog>

#include "app/CMenuWnd.h"
#include "app/CScriptDialog.h"
#include "base/ReportError.h"
#include "ui/bindings/ScriptBindingsSupport.h"
#include "ui/controls/UIAttributes.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

using namespace uiscript;

namespace {

constexpr const char* kStem = "DialogScriptLibrary";

std::vector<CScriptDialog*>& Running() {
  static std::vector<CScriptDialog*> running;
  return running;
}

CScriptDialog* LiveDialog(lua_State* L, int line) {
  auto* dialog = static_cast<CScriptDialog*>(PointerArg(L, 1, kStem, line));
  if (!dialog) return nullptr;
  const auto& running = Running();
  if (std::find(running.begin(), running.end(), dialog) != running.end()) return dialog;
  ReportError(kStem, line, "(error) (%s:%d) param %d is not a running dialog\n", 1);
  return nullptr;
}

// Calls the script's handler with (notification or nil, dialog); a failing
// handler is reported and the dialog goes on.
void CallHandler(lua_State* L, int handler, TNotifyUI* msg, CScriptDialog* dialog) {
  lua_rawgeti(L, LUA_REGISTRYINDEX, handler);
  if (msg)
    lua_pushlightuserdata(L, msg);
  else
    lua_pushnil(L);
  lua_pushlightuserdata(L, dialog);
  if (lua_pcall(L, 2, 0, 0) != 0) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) dialog handler failed: %s\n", lua_tostring(L, -1));
    lua_pop(L, 1);
  }
}

struct RunOutcome {
  int result = 0;
  const char* failure = nullptr;
};

// Everything with a destructor lives here, not in the binding's frame.
RunOutcome RunDialog(lua_State* L, HWND parent, const std::u16string& layout, int handler) {
  CScriptDialog* self = nullptr;
  auto dialog = std::make_unique<CScriptDialog>(layout, [L, handler, &self](TNotifyUI& msg) {
    if (self) CallHandler(L, handler, &msg, self);
  });
  if (!dialog->CreatePopup(parent)) return {0, "the dialog window could not be made"};
  if (!dialog->HasLayout()) {
    dialog->Close(CScriptDialog::kCancelled);
    return {0, "the dialog layout could not be read"};
  }
  self = dialog.get();
  Running().push_back(self);
  dialog->CenterWindow();
  CallHandler(L, handler, nullptr, self);
  const int result = IsWindow(dialog->GetHWND()) ? static_cast<int>(dialog->ShowModal()) : CScriptDialog::kCancelled;
  Running().erase(std::find(Running().begin(), Running().end(), self));
  self = nullptr;
  return {result, nullptr};
}

// ui_runDialog(parent, layout, handler) -> the result the dialog ended with
// (2 when cancelled), or nil and a message.
int ui_runDialog(lua_State* L) {
  const HWND parent = lua_isnil(L, 1) ? nullptr : WindowArg(L, 1, kStem, __LINE__);
  Text layout;
  if ((!parent && !lua_isnil(L, 1)) || !TextArg(L, 2, kStem, __LINE__, layout)) return 0;
  if (!lua_isfunction(L, 3)) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) param %d is not a function\n", 3);
    return 0;
  }
  const std::u16string name = Guard([&] { return Wide(layout); }, std::u16string());
  if (!IsDialogLayoutName(name)) {
    lua_pushnil(L);
    lua_pushstring(L, "not a skin layout name");
    return 2;
  }
  lua_pushvalue(L, 3);
  const int handler = luaL_ref(L, LUA_REGISTRYINDEX);
  const RunOutcome outcome = Guard([&] { return RunDialog(L, parent, name, handler); },
                                   RunOutcome{0, "the dialog failed"});
  luaL_unref(L, LUA_REGISTRYINDEX, handler);
  if (outcome.failure) {
    lua_pushnil(L);
    lua_pushstring(L, outcome.failure);
    return 2;
  }
  lua_pushnumber(L, outcome.result);
  return 1;
}

int ui_dialogManager(lua_State* L) {
  CScriptDialog* dialog = LiveDialog(L, __LINE__);
  if (!dialog) return 0;
  lua_pushlightuserdata(L, &dialog->PaintManager());
  return 1;
}

int ui_endDialog(lua_State* L) {
  CScriptDialog* dialog = LiveDialog(L, __LINE__);
  int result = 0;
  if (!dialog || !IntArg(L, 2, kStem, __LINE__, result)) return 0;
  Guard([&] { return (dialog->Close(static_cast<UINT>(result)), true); }, false);
  return 0;
}

FolderChooser& Chooser() {
  static FolderChooser chooser = [](const std::u16string& title, const std::u16string& start) {
    const QString chosen = QFileDialog::getExistingDirectory(nullptr, ui::ToQString(title), ui::ToQString(start));
    return chosen.isEmpty() ? std::optional<std::u16string>() : std::optional<std::u16string>(ui::FromQString(chosen));
  };
  return chooser;
}

// ui_chooseFolder(title, start) -> the chosen folder, or nil when cancelled.
int ui_chooseFolder(lua_State* L) {
  Text title;
  Text start;
  if (!TextArg(L, 1, kStem, __LINE__, title) || !TextArg(L, 2, kStem, __LINE__, start)) return 0;
  char* chosen = Guard(
      [&]() -> char* {
        if (!Chooser()) return nullptr;
        const auto folder = Chooser()(Wide(title), Wide(start));
        return folder ? AnsiCopy(*folder) : nullptr;
      },
      static_cast<char*>(nullptr));
  return PushOwned(L, chosen);
}

POINT ToScreen(CControlUI* control, POINT pt) {
  if (CPaintManagerUI* manager = control->GetManager()) ClientToScreen(manager->GetPaintWindow(), &pt);
  return pt;
}

// Under the control, right edges aligned (a menu button sits at the right of
// a title bar), but never left of the control's left edge on the screen.
void AlignUnder(CControlUI* control, HWND menu) {
  const RECT& pos = control->GetPos();
  const POINT right = ToScreen(control, POINT{pos.right, pos.bottom});
  RECT placed;
  GetWindowRect(menu, &placed);
  const LONG x = right.x - (placed.right - placed.left);
  if (x >= 0 && x < placed.left)
    SetWindowPos(menu, nullptr, x, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ui_popupMenu(control, layout [, atMouse]) -> true when the menu opened;
// its items reach the scripts as notifications named after them, sent by
// the control.
int ui_popupMenu(lua_State* L) {
  CControlUI* control = ControlArg(L, 1, kStem, __LINE__);
  Text layout;
  bool atMouse = false;
  if (!control || !TextArg(L, 2, kStem, __LINE__, layout) || !BoolArg(L, 3, kStem, __LINE__, atMouse, true))
    return 0;
  const bool opened = Guard(
      [&] {
        const std::u16string name = Wide(layout);
        if (!IsDialogLayoutName(name)) return false;
        const RECT& pos = control->GetPos();
        POINT pt = ToScreen(control, POINT{pos.left, pos.bottom});
        if (atMouse) {
          const QPoint mouse = QCursor::pos();
          pt = POINT{mouse.x(), mouse.y()};
        }
        CMenuWnd* menu = CMenuWnd::Open(control, pt, name);
        if (menu && !atMouse) AlignUnder(control, menu->GetHWND());
        return menu != nullptr;
      },
      false);
  lua_pushboolean(L, opened);
  return 1;
}

int ui_productVersion(lua_State* L) {
  lua_pushstring(L, VELMORA_VERSION);
  return 1;
}

const luaL_Reg kFunctions[] = {
    {"ui_runDialog", ui_runDialog},     {"ui_dialogManager", ui_dialogManager},
    {"ui_endDialog", ui_endDialog},     {"ui_chooseFolder", ui_chooseFolder},
    {"ui_popupMenu", ui_popupMenu},     {"ui_productVersion", ui_productVersion},
    {nullptr, nullptr},
};

}  // namespace

void RegisterDialogScriptLibrary(lua_State* L) {
  for (const luaL_Reg* entry = kFunctions; entry->name; ++entry) lua_register(L, entry->name, entry->func);
}

FolderChooser SetFolderChooser(FolderChooser chooser) {
  FolderChooser previous = std::move(Chooser());
  Chooser() = std::move(chooser);
  return previous;
}

CScriptDialog* InnermostScriptDialog() { return Running().empty() ? nullptr : Running().back(); }
