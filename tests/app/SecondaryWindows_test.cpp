#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include "app/CInputDlg.h"
#include "app/CMenuWnd.h"
#include "app/CPicture.h"
#include "app/CTessaryDL.h"
#include "app/CoverFit.h"
#include "app/InputDlgLibrary.h"
#include "app/UpdateInfo.h"
#include "base/ReportError.h"
#include "platform/Path.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"
#include "ui/controls/ControlAutomation.h"
#include "base/CodePageText.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowHost.h"

namespace {

using namespace ui::automation;

constexpr char kRecorder[] = R"lua(
calls = {}
local function rec(text) calls[#calls + 1] = text end
DownloadThreadCount = "5"
freeThreadCount = "5"
UnzipCount = "0"
function OnOtherEvent(n) rec("OnOtherEvent:" .. ui_notifyType(n) .. ":" .. ui_getName(ui_notifySender(n))) end
)lua";

TEST(CoverFit, FollowsTheWorkedExamples) {
  const CoverFit small = FitCover(400, 300, 1920, 1040);
  EXPECT_EQ(small.windowWidth, 615);
  EXPECT_EQ(small.windowHeight, 415);
  EXPECT_EQ(small.pictureX, 107);
  EXPECT_EQ(small.pictureY, 57);
  const CoverFit tall = FitCover(600, 2000, 1920, 1040);
  EXPECT_EQ(tall.pictureHeight, 1020);
  EXPECT_EQ(tall.pictureWidth, 306);
  EXPECT_EQ(tall.windowWidth, 615);
  EXPECT_EQ(tall.windowHeight, 1030);
  EXPECT_EQ(tall.pictureX, 154);
  EXPECT_EQ(tall.pictureY, 5);
  const CoverFit wide = FitCover(3000, 2000, 1920, 1040);
  EXPECT_EQ(wide.pictureWidth, 1530);
  EXPECT_EQ(wide.pictureHeight, 1020);
  EXPECT_EQ(wide.windowWidth, 1540);
  EXPECT_EQ(wide.windowHeight, 1030);
  // Taller than wide relative to the area, fitted by height first.
  const CoverFit banner = FitCover(4000, 1000, 1920, 1040);
  EXPECT_EQ(banner.windowWidth, 1910);
  EXPECT_LE(banner.pictureWidth, 1900);
  // Short and wide: only the width grows.
  const CoverFit strip = FitCover(800, 300, 1920, 1040);
  EXPECT_EQ(strip.windowWidth, 810);
  EXPECT_EQ(strip.windowHeight, 415);
  // A work area too small for the margins still gives sizes of at least 1.
  const CoverFit cramped = FitCover(3000, 2000, 5, 5);
  EXPECT_GE(cramped.pictureWidth, 1);
  EXPECT_GE(cramped.windowHeight, 1);
}

class Owner : public CWindowWnd {
 protected:
  const char16_t* GetWindowClassName() const override { return u"TestOwner"; }
};

class ShellWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(environment.Enter(dir.path()));
  }
  void TearDown() override {
    window.reset();
    environment.Leave();
  }

  // The main window titled as the product, on a recording script, with the
  // test folder standing in for the executable's.
  void OpenMainWindow(const std::string& script = kRecorder) {
    ::mkdir((dir / "ext").c_str(), 0755);
    WriteFileBytes(dir / "ext/system.dll", script);
    platform::OverrideModuleFileNameForTesting(Wide(dir / "velmora"));
    initSystemDone = 0;
    window = std::make_unique<CTessaryDL>();
    ASSERT_NE(window->Create(nullptr, kProductTitle, 0x10CF0000, 0, 0, 0, 1024, 800), nullptr);
    ProcessEvents();
    TakeScriptCalls(window->Script().State());
  }

  std::string MakePng(const std::string& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    const std::string path = dir / name;
    image.save(QString::fromStdString(path), "PNG");
    return path;
  }

  TempDir dir;
  AppWindowTestEnvironment environment;
  std::unique_ptr<CTessaryDL> window;
};

TEST_F(ShellWindowsTest, CoverPictureSizesItselfToThePictureAndClosesFromItsButton) {
  OverrideMonitor(RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040});
  Owner owner;
  ASSERT_NE(owner.Create(nullptr, u"owner", WS_VISIBLE | WS_POPUP, 0, 0, 0, 800, 600), nullptr);
  const std::string png = MakePng("tall.png", 600, 2000);
  CPicture picture(Wide(png));
  ASSERT_NE(picture.CreatePopup(owner.GetHWND()), nullptr);
  EXPECT_EQ(GetWindowText(picture.GetHWND()), u"预览");
  RECT rc;
  GetWindowRect(picture.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 615);
  EXPECT_EQ(rc.bottom - rc.top, 1030);
  CControlUI* container = picture.PaintManager().FindControl(u"pic_container");
  ASSERT_NE(container, nullptr);
  EXPECT_EQ(container->GetBkImage(), Wide(png));
  EXPECT_EQ(container->GetPos().left, 154);
  EXPECT_EQ(container->GetPos().top, 5);
  EXPECT_EQ(container->GetPos().right, 154 + 306);
  const RECT close = picture.PaintManager().FindControl(u"closebtn")->GetPos();
  EXPECT_EQ(close.left, 615 - 43);
  EXPECT_EQ(close.right, 615 - 5);

  // The picture drags the window, the close button does not.
  auto hit = [&](LONG x, LONG y) {
    POINT pt{x, y};
    ClientToScreen(picture.GetHWND(), &pt);
    return SendMessageW(picture.GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  };
  EXPECT_EQ(hit(300, 500), HTCAPTION);
  EXPECT_EQ(hit((close.left + close.right) / 2, (close.top + close.bottom) / 2), HTCLIENT);

  SetModalHook([&](HWND) { ClickControl(picture.PaintManager(), u"closebtn"); });
  EXPECT_EQ(picture.ShowModal(), 1u);
}

TEST_F(ShellWindowsTest, MissingOrUndecodableCoverShowsTheSkinsOwn) {
  Owner owner;
  ASSERT_NE(owner.Create(nullptr, u"owner", WS_VISIBLE | WS_POPUP, 0, 0, 0, 800, 600), nullptr);
  OverrideMonitor(RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040});
  WriteFileBytes(dir / "broken.png", "not a picture");
  for (const std::string& path : {dir / "missing.png", dir / "broken.png", std::string()}) {
    CPicture picture(Wide(path));
    ASSERT_NE(picture.CreatePopup(owner.GetHWND()), nullptr);
    EXPECT_EQ(picture.PaintManager().FindControl(u"pic_container")->GetBkImage(), u"cover.png") << path;
    EXPECT_EQ(picture.Fit().pictureWidth, 552);
    EXPECT_EQ(picture.Fit().pictureHeight, 763);
    EXPECT_EQ(picture.Fit().windowHeight, 773);
  }
}

TEST_F(ShellWindowsTest, ALongCoverPathIsKeptWhole) {
  Owner owner;
  ASSERT_NE(owner.Create(nullptr, u"owner", WS_VISIBLE | WS_POPUP, 0, 0, 0, 800, 600), nullptr);
  std::string folder = dir.path();
  for (int i = 0; i < 4; ++i) {
    folder += "/" + std::string(60, static_cast<char>('a' + i));
    ::mkdir(folder.c_str(), 0755);
  }
  const std::string png = folder + "/cover.png";
  ASSERT_GT(png.size(), 260u);
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 10));
  ASSERT_TRUE(image.save(QString::fromStdString(png), "PNG"));
  CPicture picture(Wide(png));
  ASSERT_NE(picture.CreatePopup(owner.GetHWND()), nullptr);
  EXPECT_EQ(picture.PaintManager().FindControl(u"pic_container")->GetBkImage(), Wide(png));
  EXPECT_EQ(picture.Fit().pictureWidth, 300);
}

TEST_F(ShellWindowsTest, CoverMessageShowsThePictureNamedByTheScripts) {
  OpenMainWindow(std::string(kRecorder) + "BookCoverPath = '" + MakePng("c.png", 400, 300) + "'\n");
  SIZE seen{};
  SetModalHook([&](HWND modal) {
    RECT rc;
    GetWindowRect(modal, &rc);
    seen = SIZE{rc.right - rc.left, rc.bottom - rc.top};
    PostMessage(modal, WM_CLOSE, 1, 0);
  });
  SendMessageW(window->GetHWND(), kMsgShowCover, 0, 0);
  EXPECT_EQ(seen.cx, 615);
  EXPECT_EQ(seen.cy, 415);
}

// Runs `chunk` on a host with the input-dialog library; `parent` is the
// owner window.
class InputDialogTest : public ShellWindowsTest {
 protected:
  void SetUp() override {
    ShellWindowsTest::SetUp();
    ASSERT_NE(owner.Create(nullptr, u"owner", WS_VISIBLE | WS_POPUP, 0, 0, 0, 800, 600), nullptr);
    LuaCommonHooks hooks;
    hooks.registerWindowLibraries = [](lua_State* L) {
      RegisterUiScriptLibrary(L);
      RegisterInputDlgLibrary(L);
    };
    host = std::make_unique<LuaCommon>(hooks);
    lua_pushlightuserdata(host->State(), owner.GetHWND());
    lua_setglobal(host->State(), "parent");
    lua_pushlightuserdata(host->State(), nullptr);
    lua_setglobal(host->State(), "null");
    previousSink = SetDiagnosticSink([this](const std::string& report) { reports.push_back(report); });
  }
  void TearDown() override {
    SetDiagnosticSink(previousSink);
    host.reset();
    ShellWindowsTest::TearDown();
  }
  std::string Run(const char* chunk) {
    if (luaL_dostring(host->State(), chunk) != 0) {
      std::string error = lua_tostring(host->State(), -1);
      lua_pop(host->State(), 1);
      return "error: " + error;
    }
    lua_getglobal(host->State(), "result");
    std::string out = lua_isstring(host->State(), -1) ? lua_tostring(host->State(), -1) : "(nothing)";
    lua_pop(host->State(), 1);
    return out;
  }

  Owner owner;
  std::unique_ptr<LuaCommon> host;
  DiagnosticSink previousSink;
  std::vector<std::string> reports;
};

constexpr char kAsk[] = "local d = inputDlg.new(parent) result = inputDlg.showmodule(d) inputDlg.del(d)";

TEST_F(InputDialogTest, EnterHandsTheTypedTextBack) {
  SetModalHook([](HWND modal) {
    TypeText(modal, u"abc");
    KeyPress(modal, VK_RETURN);
  });
  EXPECT_EQ(Run(kAsk), "abc");
  EXPECT_EQ(LiveInputDialogCount(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(InputDialogTest, EscapeAndTheExitButtonGiveNothing) {
  SetModalHook([](HWND modal) {
    TypeText(modal, u"abc");
    KeyPress(modal, VK_ESCAPE);
  });
  EXPECT_EQ(Run(kAsk), "(nothing)");
}

TEST_F(InputDialogTest, EmptyTextIsRefusedAndTheDialogStaysOpen) {
  SetMessageBoxHandler([](const MessageBoxRecord&) { return std::optional<int>(IDOK); });
  bool stillOpen = false;
  SetModalHook([&](HWND modal) {
    KeyPress(modal, VK_RETURN);
    ProcessEvents();
    stillOpen = IsWindow(modal) != 0;
    TypeText(modal, u"x");
    KeyPress(modal, VK_RETURN);
  });
  EXPECT_EQ(Run(kAsk), "x");
  EXPECT_TRUE(stillOpen);
  const auto boxes = TakeMessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"请输入搜索内容.");
  EXPECT_EQ(boxes[0].caption, u"错误");
}

TEST_F(InputDialogTest, BadArgumentsAreReportedAndAnsweredWithNothing) {
  EXPECT_EQ(Run("result = inputDlg.new('x')"), "(nothing)");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find(")  param 1 is not userdata ,type is string\n"), std::string::npos) << reports[0];
  reports.clear();
  // A null dialog is nothing to delete; a dialog deleted twice is refused.
  EXPECT_EQ(Run("inputDlg.del(null) result = 'ok'"), "ok");
  reports.clear();
  EXPECT_EQ(Run("local d = inputDlg.new(parent) inputDlg.del(d) inputDlg.del(d) result = inputDlg.showmodule(d)"),
            "(nothing)");
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(LiveInputDialogCount(), 0);
  // A parent that is no window: no dialog, nothing left behind.
  lua_pushlightuserdata(host->State(), &reports);
  lua_setglobal(host->State(), "bogus");
  EXPECT_EQ(Run("local d = inputDlg.new(bogus) inputDlg.del(d) result = inputDlg.showmodule(d)"), "(nothing)");
  EXPECT_EQ(LiveInputDialogCount(), 0);
}

TEST_F(InputDialogTest, NewDialogIsNotShownBeforeShowmodule) {
  lua_settop(host->State(), 0);
  ASSERT_EQ(luaL_dostring(host->State(), "return inputDlg.new(parent)"), 0);
  auto* dialog = static_cast<CInputDlg*>(lua_touserdata(host->State(), -1));
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog->GetHWND()));
  lua_getglobal(host->State(), "inputDlg");
  lua_getfield(host->State(), -1, "del");
  lua_pushlightuserdata(host->State(), dialog);
  ASSERT_EQ(lua_pcall(host->State(), 1, 0, 0), 0);
  EXPECT_EQ(LiveInputDialogCount(), 0);
}

TEST_F(ShellWindowsTest, MenuOnTheFinishedListDisablesStartAndPause) {
  OpenMainWindow();
  for (const char16_t* list : {u"downloadlist", u"downloadedlist"}) {
    CControlUI* owner = window->PaintManager().FindControl(list);
    ASSERT_NE(owner, nullptr);
    CMenuWnd* menu = CMenuWnd::Open(owner, POINT{100, 100});
    ASSERT_NE(menu, nullptr);
    const bool finished = std::u16string(list) == u"downloadedlist";
    CPaintManagerUI& items = menu->PaintManager();
    EXPECT_EQ(items.FindControl(u"menu_Start")->IsEnabled(), !finished) << Utf16ToAnsi(list);
    EXPECT_EQ(items.FindControl(u"menu_Pause")->IsEnabled(), !finished);
    EXPECT_TRUE(items.FindControl(u"menu_Open")->IsEnabled());
    EXPECT_TRUE(items.FindControl(u"menu_CopyUrl")->IsEnabled());
    EXPECT_TRUE(items.FindControl(u"menu_Details")->IsEnabled());
    EXPECT_TRUE(items.FindControl(u"menu_Delete")->IsEnabled());
    const HWND hwnd = menu->GetHWND();
    KeyPress(hwnd, VK_ESCAPE);
    ProcessEvents();
    EXPECT_FALSE(IsWindow(hwnd));
  }
}

TEST_F(ShellWindowsTest, MenuItemReachesTheMainWindowFromTheListAndClosesTheMenu) {
  OpenMainWindow();
  // The list's "menu" notification opens it, as a right click does.
  CControlUI* list = window->PaintManager().FindControl(u"downloadlist");
  window->PaintManager().SendNotify(list, u"menu");
  const HWND hwnd = FindWindowInProcess(u"MenuWnd", u"");
  ASSERT_NE(hwnd, nullptr);
  // The wheel leaves it open.
  Wheel(hwnd, POINT{20, 20}, -120);
  ProcessEvents();
  ASSERT_TRUE(IsWindow(hwnd));
  CPaintManagerUI* items = static_cast<CPaintManagerUI*>(ui::detail::WindowHost::From(hwnd)->MessageFilter());
  ASSERT_NE(items, nullptr);
  ASSERT_TRUE(ClickControl(*items, u"menu_Open"));
  ProcessEvents();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(TakeScriptCalls(window->Script().State()),
            std::vector<std::string>{"OnOtherEvent:menu_Open:downloadlist"});
}

TEST_F(ShellWindowsTest, MenuClosesWhenFocusGoesElsewhereAndStaysInsideTheWorkArea) {
  OpenMainWindow();
  OverrideMonitor(RECT{0, 0, 1280, 800}, RECT{0, 0, 1280, 760});
  CMenuWnd* menu = CMenuWnd::Open(window->PaintManager().FindControl(u"downloadlist"), POINT{1270, 750});
  ASSERT_NE(menu, nullptr);
  const HWND hwnd = menu->GetHWND();
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right, 1280);
  EXPECT_EQ(rc.bottom, 760);
  EXPECT_GE(rc.left, 0);
  // Focus moving to the menu itself keeps it; anywhere else closes it.
  SendMessageW(hwnd, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  ProcessEvents();
  EXPECT_TRUE(IsWindow(hwnd));
  SendMessageW(hwnd, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window->GetHWND()), 0);
  ProcessEvents();
  EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
