// Multi-row selection, sorting, shortcuts, drops, desktop notices and free
// space as a script uses them: notifications reach the script's OnOtherEvent
// as the main window routes them, and the script drives real input through
// test_click, test_key and test_drop.
#include <gtest/gtest.h>

#include <QString>

#include "tests/support/LuaTestHarness.h"
#include "tests/support/TempDir.h"
#include "tests/ui/LayoutTestWindow.h"
#include "ui/window/Automation.h"
#include "ui/controls/DesktopNotification.h"
#include "ui/bindings/ScriptBindings.h"
#include "ui/window/WindowApi.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"

using namespace ui::automation;

namespace {

const char16_t* const kLayout =
    u"<Window size=\"400,300\"><VerticalLayout>"
    u"<Edit name=\"search\" height=\"30\"/>"
    u"<List name=\"tasks\" itemheight=\"20\" multiselect=\"true\"><ListHeader height=\"20\">"
    u"<ListHeaderItem text=\"Name\" width=\"200\"/><ListHeaderItem text=\"Size\"/></ListHeader></List>"
    u"</VerticalLayout></Window>";

LayoutTestWindow* g_window = nullptr;

POINT RowPoint(int row) {
  const RECT rc = g_window->Manager().FindControl(u"tasks")->GetPos();
  return POINT{100, rc.top + 20 + row * 20 + 10};
}

// test_click(row, modifiers); row -1 clicks header item `modifiers`.
int TestClick(lua_State* L) {
  const int row = static_cast<int>(lua_tointeger(L, 1));
  const auto extra = static_cast<unsigned>(lua_tointeger(L, 2));
  if (row >= 0) {
    Click(g_window->GetHWND(), RowPoint(row), Button::Left, extra);
    return 0;
  }
  auto* list = g_window->Find<CListUI>(u"tasks");
  const RECT item = list->GetHeader()->GetItemAt(static_cast<int>(extra))->GetPos();
  Click(g_window->GetHWND(), POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
  return 0;
}

int TestKey(lua_State* L) {
  KeyPress(g_window->GetHWND(), static_cast<UINT>(lua_tointeger(L, 1)), {}, static_cast<unsigned>(lua_tointeger(L, 2)));
  return 0;
}

int TestDrop(lua_State* L) {
  std::size_t size = 0;
  const char* utf8 = lua_tolstring(L, 1, &size);
  const QString text = QString::fromUtf8(utf8, static_cast<qsizetype>(size));
  lua_pushboolean(L, DropText(g_window->GetHWND(), RowPoint(0), std::u16string(text.toStdU16String())));
  return 1;
}

}  // namespace

TEST(ScriptedHostPieces, ScriptSelectsSortsBindsKeysAndTakesDrops) {
  ASSERT_TRUE(UseEmbeddedSkin());
  LayoutTestWindow window(kLayout);
  g_window = &window;
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  TempDir dir;
  std::vector<ui::DesktopNotice> notices;
  ui::DesktopNotifier previous = ui::SetDesktopNotifier([&](const ui::DesktopNotice& notice) {
    notices.push_back(notice);
    return true;
  });

  lua_State* script = nullptr;
  window.onNotify = [&](TNotifyUI& n) {
    if (!script) return;
    lua_getglobal(script, "OnOtherEvent");
    lua_pushlightuserdata(script, &n);
    if (lua_pcall(script, 1, 0, 0) != 0) {
      ADD_FAILURE() << "OnOtherEvent: " << lua_tostring(script, -1);
      lua_pop(script, 1);
    }
  };
  LuaCommonHooks hooks;
  hooks.registerWindowLibraries = [&](lua_State* L) {
    RegisterUiScriptLibrary(L);
    script = L;
    lua_pushlightuserdata(L, &window.Manager());
    lua_setglobal(L, "test_pm");
    lua_pushlightuserdata(L, window.GetHWND());
    lua_setglobal(L, "test_hwnd");
    lua_pushstring(L, dir.path().c_str());
    lua_setglobal(L, "test_dir");
    lua_register(L, "test_click", TestClick);
    lua_register(L, "test_key", TestKey);
    lua_register(L, "test_drop", TestDrop);
  };
  LuaRunResult run = RunLuaTestFile(SourceDir() + "/tests/ui/lua/ui_host_pieces_test.lua", {}, hooks);
  script = nullptr;
  window.onNotify = nullptr;
  ui::SetDesktopNotifier(std::move(previous));
  g_window = nullptr;
  ASSERT_TRUE(run.ok) << run.error;
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].window, window.GetHWND());
  EXPECT_EQ(notices[0].title, u"Velmora");
  EXPECT_EQ(notices[0].text, u"下载完成: a.zip");
  EXPECT_EQ(notices[0].timeoutMs, 3000);
}

// Offscreen there is no session bus and no tray: the notice is refused
// quietly and at once.
TEST(DesktopNotification, WithoutServiceOrTrayNothingIsShown) {
  LayoutTestWindow window(kLayout);
  ASSERT_NE(window.Open(), nullptr);
  EXPECT_FALSE(ui::ShowDesktopNotification(ui::DesktopNotice{window.GetHWND(), u"t", u"x", 1000}));
  EXPECT_FALSE(ui::ShowDesktopNotification(ui::DesktopNotice{nullptr, u"t", u"x", 1000}));
}
