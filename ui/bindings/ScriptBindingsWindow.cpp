// ui_* functions on windows and the desktop: messages, showing and hiding,
// the notification-area icon, opening files and URLs, the clipboard and the
// skin's message box.
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include "platform/Path.h"
#include "ui/bindings/ScriptBindings.h"
#include "ui/bindings/ScriptBindingsSupport.h"
#include "ui/bindings/ScriptBindingsTables.h"
#include "ui/controls/CMessageBox.h"
#include "ui/controls/TrayIcon.h"
#include "ui/controls/UIAttributes.h"
#include "ui/window/WindowApi.h"

using namespace uiscript;

namespace {

constexpr const char* kStem = "ScriptBindingsWindow";
constexpr DWORD kMessageBoxStyle = 0x96C80000;

bool OpenWithDesktop(const std::u16string& target) {
  const QString text = ui::ToQString(target);
  if (text.contains(QStringLiteral("://")) || text.startsWith(QStringLiteral("mailto:")))
    return QDesktopServices::openUrl(QUrl(text));
  const std::string path = platform::NativePathFromWide(target);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

DesktopOpener& Opener() {
  static DesktopOpener opener = OpenWithDesktop;
  return opener;
}

int PushBool(lua_State* L, bool value) {
  lua_pushboolean(L, value);
  return 1;
}

// ---- Messages ----

bool MessageArgs(lua_State* L, int line, HWND& hwnd, int& message, std::intptr_t& wParam, std::intptr_t& lParam) {
  hwnd = static_cast<HWND>(PointerArg(L, 1, kStem, line));
  return hwnd && IntArg(L, 2, kStem, line, message) && WordArg(L, 3, kStem, line, wParam) &&
         WordArg(L, 4, kStem, line, lParam);
}

int ui_postMessage(lua_State* L) {
  HWND hwnd = nullptr;
  int message = 0;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
  if (!MessageArgs(L, __LINE__, hwnd, message, wParam, lParam)) return 0;
  return PushBool(L, PostMessage(hwnd, static_cast<UINT>(message), static_cast<WPARAM>(wParam), lParam) != 0);
}

int ui_sendMessage(lua_State* L) {
  HWND hwnd = nullptr;
  int message = 0;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
  if (!MessageArgs(L, __LINE__, hwnd, message, wParam, lParam)) return 0;
  const LRESULT result = Guard(
      [&] { return SendMessage(hwnd, static_cast<UINT>(message), static_cast<WPARAM>(wParam), lParam); },
      static_cast<LRESULT>(0));
  lua_pushnumber(L, static_cast<lua_Number>(result));
  return 1;
}

int ui_findWindow(lua_State* L) {
  Text title;
  if (!TextArg(L, 1, kStem, __LINE__, title)) return 0;
  HWND found = Guard([&] { return FindWindow(nullptr, Wide(title).c_str()); }, static_cast<HWND>(nullptr));
  if (found)
    lua_pushlightuserdata(L, found);
  else
    lua_pushnil(L);
  return 1;
}

// ---- Showing ----

int ShowCommand(lua_State* L, int line, int command) {
  HWND hwnd = WindowArg(L, 1, kStem, line);
  if (!hwnd) return 0;
  if (command == SW_SHOW && IsIconic(hwnd)) command = SW_RESTORE;
  ShowWindow(hwnd, command);
  return 0;
}

int ui_showWindow(lua_State* L) { return ShowCommand(L, __LINE__, SW_SHOW); }
int ui_hideWindow(lua_State* L) { return ShowCommand(L, __LINE__, SW_HIDE); }
int ui_minimizeWindow(lua_State* L) { return ShowCommand(L, __LINE__, SW_MINIMIZE); }

int ui_setWindowText(lua_State* L) {
  HWND hwnd = WindowArg(L, 1, kStem, __LINE__);
  Text text;
  if (!hwnd || !TextArg(L, 2, kStem, __LINE__, text)) return 0;
  return PushBool(L, Guard([&] { return SetWindowText(hwnd, Wide(text)) != 0; }, false));
}

// ---- Notification-area icon ----

int ui_trayAdd(lua_State* L) {
  HWND hwnd = WindowArg(L, 1, kStem, __LINE__);
  int id = 0;
  Text tip;
  Text image;
  if (!hwnd || !IntArg(L, 2, kStem, __LINE__, id) || !TextArg(L, 3, kStem, __LINE__, tip) ||
      !TextArg(L, 4, kStem, __LINE__, image))
    return 0;
  return PushBool(L, Guard([&] { return ui::AddTrayIcon(hwnd, id, Wide(tip), Wide(image)); }, false));
}

int ui_traySetTip(lua_State* L) {
  HWND hwnd = WindowArg(L, 1, kStem, __LINE__);
  int id = 0;
  Text tip;
  if (!hwnd || !IntArg(L, 2, kStem, __LINE__, id) || !TextArg(L, 3, kStem, __LINE__, tip)) return 0;
  return PushBool(L, Guard([&] { return ui::SetTrayTip(hwnd, id, Wide(tip)); }, false));
}

int ui_trayRemove(lua_State* L) {
  HWND hwnd = WindowArg(L, 1, kStem, __LINE__);
  int id = 0;
  if (!hwnd || !IntArg(L, 2, kStem, __LINE__, id)) return 0;
  return PushBool(L, Guard([&] { return ui::RemoveTrayIcon(hwnd, id); }, false));
}

// ---- Desktop ----

int ui_openUrl(lua_State* L) {
  Text target;
  if (!TextArg(L, 1, kStem, __LINE__, target)) return 0;
  return PushBool(L, Guard([&] { return Opener() && Opener()(Wide(target)); }, false));
}

int ui_getClipboardText(lua_State* L) {
  char* text = Guard(
      [] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        return AnsiCopy(clipboard ? ui::FromQString(clipboard->text()) : std::u16string());
      },
      static_cast<char*>(nullptr));
  return PushOwned(L, text);
}

int ui_setClipboardText(lua_State* L) {
  Text text;
  if (!TextArg(L, 1, kStem, __LINE__, text)) return 0;
  return PushBool(L, Guard(
                         [&] {
                           QClipboard* clipboard = QGuiApplication::clipboard();
                           if (!clipboard) return false;
                           clipboard->setText(ui::ToQString(Wide(text)));
                           return true;
                         },
                         false));
}

int ui_messageBox(lua_State* L) {
  HWND owner = nullptr;
  if (!lua_isnoneornil(L, 1) && !(owner = WindowArg(L, 1, kStem, __LINE__))) return 0;
  Text text;
  bool cancel = true;
  if (!TextArg(L, 2, kStem, __LINE__, text) || !BoolArg(L, 3, kStem, __LINE__, cancel, true, true)) return 0;
  // An optional check box ("also delete the files"): always shown unticked,
  // its state comes back as the second result.
  Text checkText;
  const bool withCheck = !lua_isnoneornil(L, 4);
  if (withCheck && !TextArg(L, 4, kStem, __LINE__, checkText)) return 0;
  bool checked = false;
  const int answer = Guard(
      [&] {
        CMessageBox box(Wide(text));
        if (withCheck) box.SetCheckBoxText(Wide(checkText));
        if (!box.Create(owner, u"", kMessageBoxStyle, 0, 0, 0, 308, 140)) return 0;
        // Centred once its options have given it its width.
        box.SetCancelBtnVisible(cancel);
        box.CenterWindow();
        const int result = static_cast<int>(box.ShowModal());
        checked = withCheck && box.IsChecked();
        return result;
      },
      0);
  lua_pushinteger(L, answer);
  if (!withCheck) return 1;
  lua_pushboolean(L, checked ? 1 : 0);
  return 2;
}

const luaL_Reg kFunctions[] = {
    {"ui_postMessage", ui_postMessage},
    {"ui_sendMessage", ui_sendMessage},
    {"ui_findWindow", ui_findWindow},
    {"ui_showWindow", ui_showWindow},
    {"ui_hideWindow", ui_hideWindow},
    {"ui_minimizeWindow", ui_minimizeWindow},
    {"ui_setWindowText", ui_setWindowText},
    {"ui_trayAdd", ui_trayAdd},
    {"ui_traySetTip", ui_traySetTip},
    {"ui_trayRemove", ui_trayRemove},
    {"ui_openUrl", ui_openUrl},
    {"ui_getClipboardText", ui_getClipboardText},
    {"ui_setClipboardText", ui_setClipboardText},
    {"ui_messageBox", ui_messageBox},
    {nullptr, nullptr},
};

}  // namespace

const luaL_Reg* uiscript::WindowFunctions() { return kFunctions; }

DesktopOpener SetDesktopOpener(DesktopOpener opener) {
  DesktopOpener previous = std::move(Opener());
  Opener() = opener ? std::move(opener) : DesktopOpener(OpenWithDesktop);
  return previous;
}
