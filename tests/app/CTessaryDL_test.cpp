#include "app/CTessaryDL.h"
#include "app/InstanceHandoff.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/ReportError.h"
#include "lang/Texts.h"
#include "platform/CodePage.h"
#include "platform/Path.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempDir.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/controls/EmbeddedSkin.h"
#include "ui/window/Automation.h"

namespace {

using namespace ui::automation;

// Records every callback in the global list `calls`, as "Name:argument".
constexpr char kRecordingScript[] = R"lua(
calls = {}
local function rec(text) calls[#calls + 1] = text end
DownloadThreadCount = "5"
freeThreadCount = "5"
UnzipCount = "0"
function SetDownloadCenterTitle(title) rec("SetDownloadCenterTitle:" .. title) end
function SetLocalServerPath(path) rec("SetLocalServerPath") end
function InitSystemControl(manager) rec("InitSystemControl:" .. type(manager)) end
function OnClickEvent(n) rec("OnClickEvent:" .. ui_getName(ui_notifySender(n))) end
function OnOtherEvent(n) end
function OnTimer(id) rec("OnTimer:" .. id) return 41 end
function insertTodb(text) rec("insertTodb:" .. text) end
function queryudata() rec("queryudata") end
function OnMessage(w, l) rec("OnMessage:" .. w .. ":" .. type(l)) return 7 end
function OnWindowMessage(m, w, l) if m == 0x4A then rec("OnWindowMessage:copydata") end end
function QuitSystem() rec("QuitSystem") end
function QuitControl() rec("QuitControl") end
)lua";

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseEmbeddedSkin());
    Reset();
    SetMessageBoxHandler([](const MessageBoxRecord&) { return std::optional<int>(IDOK); });
    // The installer's part: an install path in a registry of the test's own.
    UseTestRegistry(dir.path());
    // One host per process in real life: each window here starts afresh.
    initSystemDone = 0;
  }
  void TearDown() override {
    window.reset();
    Reset();
    ::unsetenv("VELMORA_REGISTRY");
  }

  // Builds the window on `script` as ./ext/system.dll; the host moves into
  // the executable's folder while it is constructed, so the test folder is
  // entered between construction and creation.
  void Open(const std::string& script = kRecordingScript) {
    if (script.empty()) return OpenOnShippedScripts();
    ::mkdir((dir / "ext").c_str(), 0755);
    WriteFileBytes(dir / "ext/system.dll", script);
    window = std::make_unique<CTessaryDL>();
    const std::u16string exeDir = window->Script().ExeDir();
    ASSERT_TRUE(platform::SetCurrentDirectory(Wide(dir.path())));
    window->Create(nullptr, u"VelmoraTest", 0x10CF0000, 0, 0, 0, 1024, 800);
    platform::SetCurrentDirectory(exeDir);
    ASSERT_NE(window->GetHWND(), nullptr);
    ProcessEvents();
  }

  // The scripts beside the test program, as a user gets them.
  void OpenOnShippedScripts() {
    window = std::make_unique<CTessaryDL>();
    window->Create(nullptr, u"VelmoraTest", 0x10CF0000, 0, 0, 0, 1024, 800);
    ASSERT_NE(window->GetHWND(), nullptr);
    ProcessEvents();
  }

  std::vector<std::string> Calls() { return ScriptCalls(window->Script().State()); }
  void ClearCallsKeepList() {
    lua_State* L = window->Script().State();
    lua_newtable(L);
    lua_setglobal(L, "calls");
  }
  void SetGlobal(const char* name, const char* value) {
    lua_State* L = window->Script().State();
    lua_pushstring(L, value);
    lua_setglobal(L, name);
  }
  bool Called(const std::string& entry) {
    for (const auto& call : Calls())
      if (call == entry) return true;
    return false;
  }

  TempDir dir;
  std::unique_ptr<CTessaryDL> window;
};

TEST_F(MainWindowTest, CreationRunsTheFirstScriptThenItsSetUpCallsInOrder) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const auto calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "SetDownloadCenterTitle:Velmora");
  EXPECT_EQ(calls[1], "SetLocalServerPath");
  EXPECT_EQ(calls[2], "InitSystemControl:userdata");
  // The frame comes from the layout: caption style gone, controls found.
  EXPECT_EQ(GetWindowLongW(window->GetHWND(), GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_NE(window->PaintManager().FindControl(u"closebtn"), nullptr);
  EXPECT_TRUE(TakeMessageBoxLog().empty());
}

TEST_F(MainWindowTest, ClicksOnOrdinaryButtonsReachTheScriptsButOptionsDoNot) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"B_add"));
  ProcessEvents();
  EXPECT_EQ(Calls(), std::vector<std::string>{"OnClickEvent:B_add"});
  ClearCallsKeepList();
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"tab_downloaded"));
  ProcessEvents();
  EXPECT_TRUE(Calls().empty());
}

TEST_F(MainWindowTest, TimerTicksCallOnTimerAndQueryOnceAfterClientCopyData) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  EXPECT_EQ(Calls(), std::vector<std::string>{"OnTimer:1"});

  // "中文" in UTF-8 arrives as GBK, prefix included; the bytes need no zero.
  const std::string utf8 = "#clicent#\xE4\xB8\xAD\xE6\x96\x87";
  COPYDATASTRUCT data;
  data.cbData = static_cast<DWORD>(utf8.size());
  data.lpData = utf8.data();
  ClearCallsKeepList();
  SendMessageW(window->GetHWND(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"insertTodb:#clicent#\xD6\xD0\xCE\xC4", "OnTimer:1", "queryudata",
                                               "OnTimer:1"}));
}

TEST_F(MainWindowTest, ClientCopyDataFollowsTheAnsiCodePage) {
  ASSERT_NO_FATAL_FAILURE(Open());
  // A UTF-8 system (VELMORA_ACP=65001): the name must reach the script as it
  // was sent, not as GBK bytes the scripts would then misread.
  platform::OverrideAnsiCodePageForTesting(platform::kCpUtf8);
  const std::string utf8 = R"(#clicent#{"url":"http://h/f","name":"ä¸­æ ð.zip"})";
  COPYDATASTRUCT data;
  data.cbData = static_cast<DWORD>(utf8.size() + 1);
  data.lpData = utf8.c_str();
  ClearCallsKeepList();
  SendMessageW(window->GetHWND(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  platform::OverrideAnsiCodePageForTesting(0);
  EXPECT_EQ(Calls(), std::vector<std::string>{"insertTodb:" + utf8});
}

TEST_F(MainWindowTest, CopyDataPrefixIsCaseSensitiveAndShortDataIsNotAClient) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  const std::string upper = "#CLICENT#x";
  const std::string shortData = "#clic";
  for (const std::string* text : {&upper, &shortData}) {
    COPYDATASTRUCT data;
    data.cbData = static_cast<DWORD>(text->size());
    data.lpData = text->data();
    SendMessageW(window->GetHWND(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }
  EXPECT_EQ(Calls(), (std::vector<std::string>{"OnWindowMessage:copydata", "OnWindowMessage:copydata"}));
}

TEST_F(MainWindowTest, SecondStartHandsItsClientCommandToTheRunningWindow) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  HandToRunningInstance(window->GetHWND(), {u"velmora", u"#clicent#id=7", u"\u4E2D"});
  HandToRunningInstance(window->GetHWND(), {u"velmora"});
  // The command line takes the prefix in any case; it must not be lost on
  // the way to a window that matches it exactly.
  HandToRunningInstance(window->GetHWND(), {u"velmora", u"#CLICENT#id=8"});
  ProcessEvents();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"insertTodb:#clicent#id=7 \xD6\xD0", "insertTodb:#clicent#id=8"}));
}

TEST_F(MainWindowTest, ScriptRequestMessageReachesOnMessage) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  SendMessageW(window->GetHWND(), kMsgScriptRequest, 3, 0);
  SendMessageW(window->GetHWND(), kMsgScriptRequest, 0, 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"OnMessage:3:userdata", "OnMessage:0:userdata"}));
}

TEST_F(MainWindowTest, CloseWithDownloadsRunningAsksAndStaysWhenCancelled) {
  ASSERT_NO_FATAL_FAILURE(Open());
  SetGlobal("freeThreadCount", "4");
  ClearCallsKeepList();
  QueueModalAnswer(IDCANCEL);
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  ProcessEvents();
  EXPECT_EQ(window->MessageText(), u"下载列表中有任务正在下载,是否退出！");
  // Not confirmed: the click goes on as an ordinary one.
  EXPECT_EQ(Calls(), std::vector<std::string>{"OnClickEvent:closebtn"});
  EXPECT_TRUE(IsWindow(window->GetHWND()));
}

TEST_F(MainWindowTest, CloseWhileUnpackingOnlyWarns) {
  ASSERT_NO_FATAL_FAILURE(Open());
  SetGlobal("UnzipCount", " 3");
  ClearCallsKeepList();
  QueueModalAnswer(IDOK);
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  ProcessEvents();
  EXPECT_EQ(window->MessageText(), u"还有 3 个文件正在解压,请稍等 ...");
  EXPECT_TRUE(Calls().empty());
}

TEST_F(MainWindowTest, ConfirmedCloseQuitsThroughTheScripts) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  QueueModalAnswer(IDOK);
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  EXPECT_EQ(window->MessageText(), u"是否退出Velmora！");
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"QuitSystem", "QuitControl"}));
}

TEST_F(MainWindowTest, FailingFirstScriptWarnsAndQuits) {
  ASSERT_NO_FATAL_FAILURE(Open("error('broken on purpose')"));
  const auto boxes = TakeMessageBoxLog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"加载信息失败.");
  EXPECT_EQ(boxes[0].caption, u"警告");
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 0);
}

TEST_F(MainWindowTest, AnotherLanguageShowsInTheSkinAndTheHostsOwnBoxes) {
  TempDir catalogues;
  WriteFileBytes(catalogues / "en.txt",
                 "[texts]\nhost.unpacking = %d files are still being unpacked\n[skin]\n已完成 = Finished\n");
  lang::ActivateLanguage(catalogues.path(), "en");
  struct Forget {
    ~Forget() { lang::ResetLanguageForTesting(); }
  } forget;
  ASSERT_NO_FATAL_FAILURE(Open());
  CControlUI* tab = window->PaintManager().FindControl(u"tab_downloaded");
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetText(), u"Finished");
  EXPECT_EQ(window->PaintManager().FindControl(u"tab_settings")->GetText(), u"设置") << "untranslated stays";
  SetGlobal("UnzipCount", "2");
  QueueModalAnswer(IDOK);
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  ProcessEvents();
  EXPECT_EQ(window->MessageText(), u"2 files are still being unpacked");
}

TEST_F(MainWindowTest, HitTestDragsOnlyFromCaptionBackgroundAndSizesAtEdges) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const HWND hwnd = window->GetHWND();
  auto hit = [&](LONG x, LONG y) {
    POINT pt{x, y};
    ClientToScreen(hwnd, &pt);
    return SendMessageW(hwnd, WM_NCHITTEST, 0,
                        static_cast<LPARAM>((static_cast<std::uint16_t>(pt.y) << 16) | static_cast<std::uint16_t>(pt.x)));
  };
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(hit(1, 1), HTTOPLEFT);
  EXPECT_EQ(hit(client.right - 2, client.bottom - 2), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(1, 300), HTLEFT);
  const RECT close = window->PaintManager().FindControl(u"closebtn")->GetPos();
  // Inside the 24-pixel caption: a button keeps its press, the bar drags.
  EXPECT_EQ(hit((close.left + close.right) / 2, close.top + 4), HTCLIENT);
  EXPECT_EQ(hit(client.right / 2, 12), HTCAPTION);
  EXPECT_EQ(hit(client.right / 2, 30), HTCLIENT);
  EXPECT_EQ(hit(client.right / 2, 300), HTCLIENT);
  // Maximised, the edges no longer size the window.
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(hit(1, 300), HTCLIENT);
}

TEST_F(MainWindowTest, ConfigurationAnswerQueriesOnceAfterTheNextTick) {
  ASSERT_NO_FATAL_FAILURE(Open());
  SendMessageW(window->GetHWND(), kMsgConfigAnswer, 0, 0);
  ClearCallsKeepList();
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"OnTimer:1", "queryudata", "OnTimer:1"}));
  EXPECT_EQ(window->DownloadThreadCount(), u"5");
}

TEST_F(MainWindowTest, MaximiseAndRestoreSwapTheFrameButtons) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const HWND hwnd = window->GetHWND();
  CControlUI* maxButton = window->PaintManager().FindControl(u"maxbtn");
  CControlUI* restoreButton = window->PaintManager().FindControl(u"restorebtn");
  ASSERT_TRUE(maxButton && restoreButton);
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(hwnd));
  EXPECT_FALSE(maxButton->IsVisible());
  EXPECT_TRUE(restoreButton->IsVisible());
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(maxButton->IsVisible());
  EXPECT_FALSE(restoreButton->IsVisible());
}

TEST_F(MainWindowTest, TrayIconDoubleClickShowsTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const HWND hwnd = window->GetHWND();
  ShowWindow(hwnd, SW_HIDE);
  SendMessageW(hwnd, kMsgTrayIcon, kTrayIconId + 1, WM_LBUTTONDBLCLK);
  EXPECT_FALSE(IsWindowVisible(hwnd));
  SendMessageW(hwnd, kMsgTrayIcon, kTrayIconId, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(MainWindowTest, SystemCloseQuitsWithoutTheScripts) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ClearCallsKeepList();
  EXPECT_EQ(SendMessageW(window->GetHWND(), WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 0);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(MainWindowTest, ShippedScriptsRunWithoutAnyReportAndRender) {
  std::vector<std::string> reports;
  const DiagnosticSink previous = SetDiagnosticSink([&](const std::string& report) { reports.push_back(report); });
  ASSERT_NO_FATAL_FAILURE(Open(""));
  // "B_add" asks for links in a modal input dialog: cancel it as a user would.
  int modals = 0;
  SetModalHook([&](HWND modal) {
    ++modals;
    PostMessage(modal, WM_CLOSE, 0, 0);
  });
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"tab_downloaded"));
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"B_add"));
  SetModalHook(nullptr);
  EXPECT_EQ(modals, 1);
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  ProcessEvents();
  SetDiagnosticSink(previous);
  EXPECT_TRUE(TakeMessageBoxLog().empty());
  for (const auto& report : reports) ADD_FAILURE() << report;
  auto* tab = dynamic_cast<CTabLayoutUI*>(window->PaintManager().FindControl(u"maintab"));
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->GetCurSel(), 1);

  const char* outDir = std::getenv("VELMORA_SCREENSHOT_DIR");
  const std::string png = (outDir && *outDir ? std::string(outDir) : dir.path()) + "/velmora-main.png";
  ASSERT_TRUE(RenderToPng(window->GetHWND(), png));
  EXPECT_GT(ReadFileBytes(png).size(), 1000u);
}

}  // namespace

// fontconfig keeps a cache it never frees; it is not ours to fix.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

TEST_F(MainWindowTest, DownloadStateChangesReachOnWindowMessageAsNumbers) {
  Open(std::string(kRecordingScript) +
       "function OnWindowMessage(m, w, l) if m == 3020 then rec('dl:' .. type(w) .. ':' .. w .. ':' .. l) end end\n");
  ClearCallsKeepList();
  lua_State* L = window->Script().State();
  const std::string add = "task = dl_add('http://127.0.0.1:9/x', '" + dir.path() + "', {start = false})";
  ASSERT_EQ(luaL_dostring(L, add.c_str()), 0);
  ProcessEvents();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"dl:number:1:2"}));  // task 1 is paused
  ASSERT_EQ(luaL_dostring(L, "dl_remove(task)"), 0);
}
