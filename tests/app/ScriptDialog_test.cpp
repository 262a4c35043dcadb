// Dialogs the scripts build from skin layouts and drive themselves, and the
// folder chooser, through the script functions of app/DialogScriptLibrary.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/CScriptDialog.h"
#include "app/DialogScriptLibrary.h"
#include "base/ReportError.h"
#include "script/tessaryLuaCommon.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"
#include "ui/bindings/ScriptBindings.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/window/Automation.h"

namespace {

using namespace ui::automation;

class ScriptDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(environment.Enter(dir.path()));
    LuaCommonHooks hooks;
    hooks.registerWindowLibraries = [](lua_State* L) {
      RegisterUiScriptLibrary(L);
      RegisterDialogScriptLibrary(L);
    };
    host = std::make_unique<LuaCommon>(hooks);
    previousSink = SetDiagnosticSink([this](const std::string& report) { reports.push_back(report); });
  }
  void TearDown() override {
    SetDiagnosticSink(previousSink);
    host.reset();
    Reset();
    environment.Leave();
  }
  // Runs the chunk; the global `result` as text, or the error.
  std::string Run(const std::string& chunk) {
    lua_State* L = host->State();
    if (luaL_dostring(L, chunk.c_str()) != 0) {
      std::string error = lua_tostring(L, -1);
      lua_pop(L, 1);
      return "error: " + error;
    }
    lua_getglobal(L, "result");
    std::string out = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(nothing)";
    lua_pop(L, 1);
    return out;
  }

  TempDir dir;
  AppWindowTestEnvironment environment;
  std::unique_ptr<LuaCommon> host;
  DiagnosticSink previousSink;
  std::vector<std::string> reports;
};

// The handler fills the form first, sees the click, reads what was typed
// and ends the dialog with a result of its own; the handle dies with it.
TEST_F(ScriptDialogTest, TheHandlerFillsReadsAndEndsTheDialog) {
  std::u16string shownFolder;
  SetModalHook([&](HWND) {
    CScriptDialog* dialog = InnermostScriptDialog();
    ASSERT_NE(dialog, nullptr);
    shownFolder = dialog->PaintManager().FindControl(u"folder")->GetText();
    dialog->PaintManager().FindControl(u"name")->SetText(u"typed.iso");
    ClickControl(dialog->PaintManager(), u"okbtn");
  });
  EXPECT_EQ(Run("events = {} result = ui_runDialog(nil, 'newtask.xml', function(n, d)"
                "  local pm = ui_dialogManager(d) kept = d"
                "  if n == nil then events[#events + 1] = 'open' ui_setText(ui_findControl(pm, 'folder'), '/srv/x') return end"
                "  if ui_notifyType(n) == 'click' and ui_getName(ui_notifySender(n)) == 'okbtn' then"
                "    typed = ui_getText(ui_findControl(pm, 'name')) ui_endDialog(d, 7) end end)"),
            "7");
  EXPECT_EQ(shownFolder, u"/srv/x");
  EXPECT_EQ(Run("result = events[1] .. ' ' .. typed"), "open typed.iso");
  EXPECT_EQ(InnermostScriptDialog(), nullptr);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(Run("result = tostring((ui_dialogManager(kept)))"), "nil");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("not a running dialog"), std::string::npos) << reports[0];
}

// Escape and the close button cancel (2) whatever the handler does, and a
// handler that raises is reported without ending or breaking the dialog.
TEST_F(ScriptDialogTest, EscapeAndCloseCancelAndAFailingHandlerIsReported) {
  SetModalHook([](HWND modal) { KeyPress(modal, VK_ESCAPE); });
  EXPECT_EQ(Run("result = ui_runDialog(nil, 'about.xml', function() end)"), "2");
  SetModalHook([](HWND) { ClickControl(InnermostScriptDialog()->PaintManager(), u"closebtn"); });
  EXPECT_EQ(Run("result = ui_runDialog(nil, 'about.xml', function(n) if n then error('boom') end end)"), "2");
  ASSERT_FALSE(reports.empty());
  EXPECT_NE(reports[0].find("boom"), std::string::npos) << reports[0];
}

// Only plain skin layout names open; anything else is answered with nil
// and a message, never read from elsewhere.
TEST_F(ScriptDialogTest, LayoutsOutsideTheSkinAreRefused) {
  for (const char* name : {"../newtask.xml", "sub/newtask.xml", "/etc/passwd", "newtask", ".xml", "NEWTASK.XML"}) {
    const std::string chunk = std::string("local r, m = ui_runDialog(nil, '") + name +
                              "', function() end) result = tostring(r) .. ':' .. tostring(m ~= nil)";
    EXPECT_EQ(Run(chunk), "nil:true") << name;
  }
  EXPECT_EQ(Run("local r, m = ui_runDialog(nil, 'nothere.xml', function() end) result = tostring(r) .. ':' .. m"),
            "nil:the dialog layout could not be read");
  reports.clear();
  EXPECT_EQ(Run("result = tostring((ui_runDialog(nil, 'about.xml', 'not a function')))"), "nil");
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_FALSE(IsDialogLayoutName(u"a b.xml"));
  EXPECT_TRUE(IsDialogLayoutName(u"duplicate.xml"));
}

TEST_F(ScriptDialogTest, TheFolderChooserAnswersWithTheChosenFolderOrNothing) {
  std::u16string askedTitle, askedStart;
  const FolderChooser previous = SetFolderChooser([&](const std::u16string& title, const std::u16string& start) {
    askedTitle = title;
    askedStart = start;
    return start == u"/cancel" ? std::nullopt : std::optional<std::u16string>(u"/home/user/新建");
  });
  EXPECT_EQ(Run("result = ui_chooseFolder('pick', '/srv')"), "/home/user/\xD0\xC2\xBD\xA8");
  EXPECT_EQ(askedTitle, u"pick");
  EXPECT_EQ(askedStart, u"/srv");
  EXPECT_EQ(Run("result = tostring(ui_chooseFolder('pick', '/cancel'))"), "nil");
  SetFolderChooser(previous);
}

}  // namespace
