// The ui_* library run by a real script host, on a real window.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "tests/support/LuaTestHarness.h"
#include "tests/ui/LayoutTestWindow.h"
#include "ui/bindings/ScriptBindings.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/TrayIcon.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

const char16_t* const kLayout =
    u"<Window size=\"400,300\"><VerticalLayout>"
    u"<HorizontalLayout height=\"30\"><Button name=\"go\" width=\"60\"/>"
    u"<Option name=\"o1\" group=\"g\" width=\"40\" selected=\"true\"/><Option name=\"o2\" group=\"g\" width=\"40\"/>"
    u"<Progress name=\"bar\" width=\"80\"/></HorizontalLayout>"
    u"<TabLayout name=\"tabs\" height=\"20\"><Control/><Control/></TabLayout>"
    u"<List name=\"list\"/><TreeView name=\"tree\" height=\"60\"/>"
    u"</VerticalLayout></Window>";

class ScriptedWindow : public LayoutTestWindow {
 public:
  ScriptedWindow() : LayoutTestWindow(kLayout) {}
  std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> custom;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= WM_USER && message < WM_APP) {
      custom.push_back({message, {wParam, lParam}});
      return message == 2859 ? static_cast<LRESULT>(wParam + lParam) : 0;
    }
    return LayoutTestWindow::HandleMessage(message, wParam, lParam);
  }
};

}  // namespace

TEST(ScriptBindings, ScriptsWorkControlsListsAndWindows) {
  ASSERT_TRUE(UseEmbeddedSkin());
  ScriptedWindow window;
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  TNotifyUI notify;
  notify.sType = u"click";
  notify.pSender = window.Manager().FindControl(u"go");
  notify.ptMouse = POINT{3, 4};
  notify.wParam = 7;
  notify.lParam = -2;
  int stranger = 0;
  std::vector<std::u16string> opened;
  DesktopOpener previous = SetDesktopOpener([&](const std::u16string& target) {
    opened.push_back(target);
    return true;
  });

  LuaCommonHooks hooks;
  hooks.registerWindowLibraries = [&](lua_State* L) {
    RegisterUiScriptLibrary(L);
    lua_pushlightuserdata(L, &window.Manager());
    lua_setglobal(L, "test_pm");
    lua_pushlightuserdata(L, window.GetHWND());
    lua_setglobal(L, "test_hwnd");
    lua_pushlightuserdata(L, &notify);
    lua_setglobal(L, "test_notify");
    lua_pushlightuserdata(L, &stranger);
    lua_setglobal(L, "test_stranger");
  };
  LuaRunResult run = RunLuaTestFile(SourceDir() + "/tests/ui/lua/ui_bindings_test.lua", {}, hooks);
  SetDesktopOpener(std::move(previous));
  ASSERT_TRUE(run.ok) << run.error;

  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], u"https://example.invalid/x");
  EXPECT_TRUE(window.Of(u"custom").size() == 1 && window.Of(u"custom")[0].wParam == 1);

  // The posted message arrives; the tray icon reports mouse events as 3010.
  ASSERT_TRUE(RunUntil([&] { return !window.custom.empty() && window.custom.back().first == 2860; }, 2000));
  auto posted = std::find_if(window.custom.begin(), window.custom.end(), [](const auto& m) { return m.first == 2858; });
  ASSERT_NE(posted, window.custom.end());
  EXPECT_EQ(posted->second.second, 5);
  EXPECT_EQ(window.custom.back().second.first, static_cast<WPARAM>(std::numeric_limits<std::intptr_t>::max()));
  EXPECT_EQ(window.custom.back().second.second, std::numeric_limits<std::intptr_t>::min());
  ASSERT_TRUE(ui::HasTrayIcon(window.GetHWND(), 107));
  ASSERT_TRUE(ui::SimulateTrayEvent(window.GetHWND(), 107, WM_LBUTTONDBLCLK));
  ASSERT_TRUE(RunUntil([&] { return window.custom.back().first == ui::kTrayMessage; }, 2000));
  EXPECT_EQ(window.custom.back().second.first, 107u);
  EXPECT_EQ(window.custom.back().second.second, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(ui::RemoveTrayIcon(window.GetHWND(), 107));
}

TEST(ScriptBindings, MessageBoxFromScriptReturnsTheAnswer) {
  ASSERT_TRUE(UseEmbeddedSkin());
  LuaCommonHooks hooks;
  hooks.registerWindowLibraries = [](lua_State* L) { RegisterUiScriptLibrary(L); };
  QueueModalAnswer(1);
  QueueModalAnswer(2);
  LuaRunResult run = RunLuaTestChunk(
      "assert(ui_messageBox(nil, 'ok?') == 1)\n"
      "assert(ui_messageBox(nil, 'ok?', false) == 2)\n",
      hooks);
  EXPECT_TRUE(run.ok) << run.error;
}
