#include "app/InputDlgLibrary.h"

#include <new>
#include <unordered_set>

#include "app/CInputDlg.h"
#include "base/CodePageText.h"
#include "base/ReportError.h"

namespace {

constexpr const char* kStem = "InputDlgLibrary";

// The dialogs the scripts hold. A pointer that is not among them (deleted
// twice, or never one of ours) is refused instead of dereferenced.
std::unordered_set<CInputDlg*>& LiveDialogs() {
  static std::unordered_set<CInputDlg*> live;
  return live;
}

bool IsPointerArgument(lua_State* L, int line) {
  if (lua_type(L, 1) == LUA_TLIGHTUSERDATA) return true;
  ReportError(kStem, line, "(error) (%s:%d)  param %d is not userdata ,type is %s\n", 1,
              lua_typename(L, lua_type(L, 1)));
  return false;
}

CInputDlg* LiveDialog(lua_State* L, int line) {
  auto* dialog = static_cast<CInputDlg*>(lua_touserdata(L, 1));
  if (!dialog) return nullptr;
  if (LiveDialogs().count(dialog)) return dialog;
  ReportError(kStem, line, "(error) (%s:%d) param %d is not a live input dialog\n", 1);
  return nullptr;
}

// By design the script owns the dialog through a raw pointer; a dialog whose
// window could not be made is freed at once and answered with null.
int InputDlgNew(lua_State* L) {
  if (!IsPointerArgument(L, __LINE__)) return 0;
  const HWND parent = static_cast<HWND>(lua_touserdata(L, 1));
  auto* dialog = new (std::nothrow) CInputDlg;
  if (dialog && !dialog->CreatePopup(parent)) {
    delete dialog;
    dialog = nullptr;
  }
  if (dialog) {
    dialog->CenterWindow();
    // Created with the popup style, which shows it; showmodule shows it.
    ::ShowWindow(dialog->GetHWND(), SW_HIDE);
    LiveDialogs().insert(dialog);
  }
  lua_pushlightuserdata(L, dialog);
  return 1;
}

int InputDlgShowModule(lua_State* L) {
  if (!IsPointerArgument(L, __LINE__)) return 0;
  CInputDlg* dialog = LiveDialog(L, __LINE__);
  if (!dialog || dialog->ShowModal() != 1) return 0;
  const std::string text = Utf16ToAnsi(dialog->InputText());
  lua_pushlstring(L, text.data(), text.size());
  return 1;
}

int InputDlgDel(lua_State* L) {
  if (!IsPointerArgument(L, __LINE__)) return 0;
  CInputDlg* dialog = LiveDialog(L, __LINE__);
  if (!dialog) return 0;
  LiveDialogs().erase(dialog);
  delete dialog;
  return 0;
}

const luaL_Reg kInputDlgFunctions[] = {
    {"new", InputDlgNew},
    {"showmodule", InputDlgShowModule},
    {"del", InputDlgDel},
    {nullptr, nullptr},
};

}  // namespace

void RegisterInputDlgLibrary(lua_State* L) {
  luaL_register(L, "inputDlg", kInputDlgFunctions);
  lua_pop(L, 1);
}

int LiveInputDialogCount() { return static_cast<int>(LiveDialogs().size()); }
