// Every window of the application on a real X server: opened as a user
// opens it, then read back from the server's screen and checked to be
// painted (not black, not one flat colour).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include "app/CInputDlg.h"
#include "app/CTessaryDL.h"
#include "platform/Path.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/XDisplay.h"
#include "tests/support/TempDir.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/window/Automation.h"

namespace {

using namespace ui::automation;

constexpr char kScript[] = R"lua(
DownloadThreadCount = "5"
freeThreadCount = "5"
UnzipCount = "0"
)lua";

class XWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_X_SERVER();
    ASSERT_TRUE(environment.Enter(dir.path()));
  }
  void TearDown() override {
    window.reset();
    environment.Leave();
  }

  void OpenMainWindow(const std::string& extra = "") {
    ::mkdir((dir / "ext").c_str(), 0755);
    WriteFileBytes(dir / "ext/system.dll", kScript + extra);
    platform::OverrideModuleFileNameForTesting(Wide(dir / "velmora"));
    initSystemDone = 0;
    window = std::make_unique<CTessaryDL>();
    ASSERT_NE(window->Create(nullptr, kProductTitle, 0x10CF0000, 0, 0, 0, 1024, 800), nullptr);
    window->CenterWindow();
    ShowWindow(window->GetHWND(), SW_SHOWNORMAL);
    ProcessEvents();
  }

  std::string Shot(const std::string& name) const {
    const char* outDir = std::getenv("VELMORA_SCREENSHOT_DIR");
    return (outDir && *outDir ? std::string(outDir) : dir.path()) + "/x11-" + name + ".png";
  }

  // The next modal window as the screen shows it; then closes it with `answer`.
  void GrabNextModal(const std::string& name, UINT answer = IDCANCEL) {
    SetModalHook([this, name, answer](HWND modal) {
      pixels = GrabScreenPixels(modal, Shot(name));
      PostMessage(modal, WM_CLOSE, answer, 0);
    });
  }

  static void ExpectPainted(const ScreenPixels& p, const std::string& what) {
    ASSERT_GT(p.width, 0) << what << " was never grabbed";
    EXPECT_LT(p.blackShare, 0.2) << what << " is black where it should be painted";
    EXPECT_GT(p.distinctColours, 8) << what << " shows no text or images";
  }

  TempDir dir;
  AppWindowTestEnvironment environment;
  std::unique_ptr<CTessaryDL> window;
  ScreenPixels pixels;
};

TEST_F(XWindowsTest, MainWindowPaints) {
  OpenMainWindow();
  ExpectPainted(GrabScreenPixels(window->GetHWND(), Shot("main")), "main window");
}

TEST_F(XWindowsTest, ExitConfirmationPaints) {
  OpenMainWindow();
  GrabNextModal("exit-box");
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  ProcessEvents();
  ExpectPainted(pixels, "exit confirmation");
  // Asked again after a cancel, it paints again.
  pixels = {};
  GrabNextModal("exit-box-again");
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  ProcessEvents();
  ExpectPainted(pixels, "exit confirmation, second time");
}

TEST_F(XWindowsTest, ContextMenuPaints) {
  OpenMainWindow();
  window->PaintManager().SendNotify(window->PaintManager().FindControl(u"downloadedlist"), u"menu");
  const HWND menu = FindWindowInProcess(u"MenuWnd", u"");
  ASSERT_NE(menu, nullptr);
  ExpectPainted(GrabScreenPixels(menu, Shot("menu")), "context menu");
}

TEST_F(XWindowsTest, InputDialogPaints) {
  OpenMainWindow();
  CInputDlg dialog;
  ASSERT_NE(dialog.CreatePopup(window->GetHWND()), nullptr);
  dialog.CenterWindow();
  SetModalHook([&](HWND modal) {
    TypeText(modal, u"velmora");
    pixels = GrabScreenPixels(modal, Shot("input"));
    KeyPress(modal, VK_RETURN);
  });
  EXPECT_EQ(dialog.ShowModal(), 1u);
  EXPECT_EQ(dialog.InputText(), u"velmora");
  ExpectPainted(pixels, "input dialog");
}

TEST_F(XWindowsTest, CoverPicturePaintsTheFileAndTheFallback) {
  QImage image(400, 560, QImage::Format_RGB32);
  image.fill(QColor(40, 120, 200));
  for (int y = 0; y < 560; y += 40) image.setPixelColor(10, y, QColor(250, 250, 250));
  image.save(QString::fromStdString(dir / "cover-test.png"), "PNG");
  OpenMainWindow("BookCoverPath = '" + (dir / "cover-test.png") + "'\n");
  GrabNextModal("picture", 1);
  SendMessageW(window->GetHWND(), kMsgShowCover, 0, 0);
  ExpectPainted(pixels, "cover picture");

  lua_pushstring(window->Script().State(), (dir / "missing.png").c_str());
  lua_setglobal(window->Script().State(), "BookCoverPath");
  pixels = {};
  GrabNextModal("picture-fallback", 1);
  SendMessageW(window->GetHWND(), kMsgShowCover, 0, 0);
  ExpectPainted(pixels, "fallback cover");
}

TEST_F(XWindowsTest, UpdateNoticePaints) {
  OpenMainWindow();
  window->Script().updateInfoText = "Velmora 2.0\n- faster lists\n- resumable downloads";
  GrabNextModal("update-notice", 1);
  SendMessageW(window->GetHWND(), kMsgShowUpdateNotice, 0, 0);
  ExpectPainted(pixels, "update notice");
}


// The scripts' own dialogs and menus, opened as the default scripts open
// them: the new-task dialog with typed links and a problem shown, the
// duplicate question, the about box and the main menu.
TEST_F(XWindowsTest, ScriptDialogsAndTheMainMenuPaint) {
  OpenMainWindow("function InitSystemControl(pm) mainPm = pm end\n");
  lua_State* L = window->Script().State();
  const auto run = [&](const std::string& chunk) {
    ASSERT_EQ(luaL_dostring(L, chunk.c_str()), 0) << lua_tostring(L, -1);
    lua_settop(L, 0);
  };
  SetModalHook([&](HWND modal) {
    TypeText(modal, u"http://example.invalid/a.iso");
    KeyPress(modal, VK_RETURN, u"\r");
    TypeText(modal, u"ftp://example.invalid/b");
    ProcessEvents();
    pixels = GrabScreenPixels(modal, Shot("newtask"));
    KeyPress(modal, VK_ESCAPE);
  });
  run("result = ui_runDialog(nil, 'newtask.xml', function(n, d)"
      "  local pm = ui_dialogManager(d)"
      "  if n == nil then ui_setText(ui_findControl(pm, 'folder'), '/srv/downloads')"
      "    ui_setText(ui_findControl(pm, 'connections_err'), 'connections problem')"
      "    ui_setText(ui_findControl(pm, 'links_err'), 'links problem') end"
      "  if n and ui_notifyType(n) == 'textchanged' then typed = ui_getText(ui_notifySender(n)) end end)");
  ExpectPainted(pixels, "new-task dialog");
  run("assert(result == 2, 'Escape cancels') assert(typed:find('\\n', 1, true), 'Enter starts a line')");
  for (const char* layout : {"duplicate", "about"}) {
    pixels = {};
    GrabNextModal(layout, 1);
    run(std::string("result = ui_runDialog(nil, '") + layout + ".xml', function() end) assert(result == 1)");
    ExpectPainted(pixels, layout);
  }
  run("assert(ui_popupMenu(ui_findControl(mainPm, 'menubtn'), 'mainmenu.xml'))");
  const HWND menu = FindWindowInProcess(u"MenuWnd", u"");
  ASSERT_NE(menu, nullptr);
  ExpectPainted(GrabScreenPixels(menu, Shot("mainmenu")), "main menu");
}

}  // namespace
