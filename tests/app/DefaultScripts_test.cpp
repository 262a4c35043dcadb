// The real main window on the shipped scripts (ext/ beside the test
// program), with its data and configuration folders in a temporary place:
// no script reports, stored tasks shown again after a restart, hand-overs,
// settings, search, and a damaged database set aside.
#include "app/CTessaryDL.h"
#include "app/CScriptDialog.h"
#include "app/DialogScriptLibrary.h"

#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QImage>
#include <gtest/gtest.h>

#include "base/ReportError.h"
#include "lang/Texts.h"
#include "tests/app/AppTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/Eventually.h"
#include "tests/support/TempDir.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/controls/EmbeddedSkin.h"
#include "ui/bindings/ScriptBindings.h"
#include "ui/window/Automation.h"
#include "ui/window/KeyModifiers.h"

namespace {

using namespace ui::automation;

std::vector<std::string> FileNames(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d))
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    closedir(d);
  }
  return names;
}

class DefaultScriptsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseEmbeddedSkin());
    Reset();
    SetMessageBoxHandler([](const MessageBoxRecord&) { return std::optional<int>(IDOK); });
    // Every box the scripts open is counted and answered, so none can hang a test.
    SetModalHook([this](HWND modal) {
      ++modals;
      PostMessage(modal, WM_CLOSE, modalAnswer, 0);
    });
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    UseTestRegistry(home.path());
    previousSink = SetDiagnosticSink([this](const std::string& report) { reports.push_back(report); });
  }
  void TearDown() override {
    Close();
    SetDiagnosticSink(previousSink);
    for (const auto& report : reports) ADD_FAILURE() << "script report: " << report;
    Reset();
  }

  void Open() {
    // One host per process in real life: each window here starts afresh.
    initSystemDone = 0;
    window = std::make_unique<CTessaryDL>();
    window->Create(nullptr, u"VelmoraTest", 0x10CF0000, 0, 0, 0, 1024, 800);
    ASSERT_NE(window->GetHWND(), nullptr);
    ProcessEvents();
  }
  // The window with the tests' fake engine (from the source tree) in place
  // of the real one, reachable from Eval as `fake`.
  void OpenWithFakeEngine(const std::string& sourceDir) {
    Open();
    Eval("package.path = '" + sourceDir +
         "/tests/ext/?.lua;' .. package.path "
         "fake = require('fake_engine').new() require('velmora.engine').use(fake:functions())");
  }
  // Quits as the confirmed close button does, then drops the window.
  void Close() {
    if (!window) return;
    window->Script().CallScript("QuitSystem");
    window->Script().CallScript("QuitControl");
    window.reset();
  }
  void Tick() {
    SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
    ProcessEvents();
  }
  void HandOver(const std::string& utf8) {
    COPYDATASTRUCT data;
    data.cbData = static_cast<DWORD>(utf8.size());
    data.lpData = const_cast<char*>(utf8.data());
    SendMessageW(window->GetHWND(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }
  // Runs Lua in the window's interpreter, with `app` and `pm` at hand; the
  // chunk's first result comes back as text.
  std::string Eval(const std::string& chunk) {
    lua_State* L = window->Script().State();
    const std::string code = "local app = require('velmora.app') local pm = app.state.pm " + chunk;
    const int top = lua_gettop(L);
    std::string out;
    if (luaL_loadstring(L, code.c_str()) || lua_pcall(L, 0, 1, 0)) {
      ADD_FAILURE() << lua_tostring(L, -1);
    } else if (lua_isstring(L, -1)) {
      out = lua_tostring(L, -1);
    }
    lua_settop(L, top);
    return out;
  }
  int Rows(const char* list) {
    return std::stoi(Eval(std::string("return ui_listCount(ui_findControl(pm, '") + list + "'))"));
  }
  std::string Cell(const char* list, int row, int column) {
    return Eval(std::string("return ui_listGetCell(ui_findControl(pm, '") + list + "'), " + std::to_string(row) +
                ", " + std::to_string(column) + ")");
  }

  TempDir home;
  int modals = 0;
  UINT modalAnswer = 2;
  std::unique_ptr<CTessaryDL> window;
  std::vector<std::string> reports;
  DiagnosticSink previousSink;
};

TEST_F(DefaultScriptsTest, HandedOverLinksBecomeTasksThatOutliveARestart) {
  Open();
  Tick();
  EXPECT_EQ(Rows("downloadlist"), 0);
  HandOver("#clicent#http://127.0.0.1:9/files/first.zip");
  HandOver(R"(#clicent#{"url":"http://127.0.0.1:9/get?id=2","name":"second.iso","referrer":"http://127.0.0.1:9/"})");
  HandOver("#clicent#{not json");
  HandOver("#clicent#javascript:alert(1)");
  Tick();
  ASSERT_EQ(Rows("downloadlist"), 2);
  EXPECT_EQ(Cell("downloadlist", 0, 0), "first.zip");
  EXPECT_EQ(Cell("downloadlist", 1, 0), "second.iso");
  // The engine has them now (nothing listens on port 9, so they end failed).
  const std::string state = Eval("return app.state.tasks:all()[1].state");
  EXPECT_TRUE(state == "queued" || state == "running" || state == "failed") << state;

  const char* outDir = std::getenv("VELMORA_SCREENSHOT_DIR");
  const std::string png = (outDir && *outDir ? std::string(outDir) : home.path()) + "/velmora-default-scripts.png";
  ASSERT_TRUE(RenderToPng(window->GetHWND(), png));
  EXPECT_GT(ReadFileBytes(png).size(), 1000u);

  Close();
  Open();
  Tick();
  ASSERT_EQ(Rows("downloadlist"), 2);
  EXPECT_EQ(Cell("downloadlist", 1, 0), "second.iso");
  EXPECT_TRUE(TakeMessageBoxLog().empty());
}

// The engine's messages reach the rows: progress, completion (the row moves
// to the finished list), failure with its reason; delete asks and removes.
// Ctrl+Up (a real key press on the list), Ctrl+Shift+Up and the context
// menu reorder the queue, the moved rows stay selected, and the order comes
// back after a restart.
TEST_F(DefaultScriptsTest, QueueOrderFromKeysAndMenuOutlivesARestart) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the fake engine's folder";
  ASSERT_NO_FATAL_FAILURE(OpenWithFakeEngine(source));
  Tick();
  Eval("app.state.tasks:add({ 'http://127.0.0.1:9/a.zip', 'http://127.0.0.1:9/b.zip', 'http://127.0.0.1:9/c.zip' }, '" +
       home.path() + "', { paused = true })");
  ASSERT_EQ(Rows("downloadlist"), 3);
  const auto order = [&] {
    return Cell("downloadlist", 0, 0) + " " + Cell("downloadlist", 1, 0) + " " + Cell("downloadlist", 2, 0);
  };
  const char* list = "local l = ui_findControl(pm, 'downloadlist') ";

  Eval(std::string(list) + "ui_listSelect(l, 2, false) ui_setFocus(l)");
  KeyPress(window->GetHWND(), VK_UP, {}, ui::kModControl);
  ProcessEvents();
  EXPECT_EQ(order(), "a.zip c.zip b.zip");
  EXPECT_EQ(Eval(std::string(list) + "return tostring(ui_listIsSelected(l, 1))"), "true") << "the moved row";

  Eval(std::string(list) + "ui_sendNotify(l, 'keydown', 38, 3)");
  EXPECT_EQ(order(), "c.zip a.zip b.zip");
  Eval(std::string(list) + "ui_listSelect(l, 1, false) ui_sendNotify(l, 'menu_MoveBottom', 0, 0)");
  EXPECT_EQ(order(), "c.zip b.zip a.zip");

  Close();
  ASSERT_NO_FATAL_FAILURE(Open());
  Tick();
  EXPECT_EQ(order(), "c.zip b.zip a.zip");
}

// The settings page's language switch reaches the window's own layout texts
// at once, both ways, with the shipped catalogues.
TEST_F(DefaultScriptsTest, ChoosingALanguageTranslatesTheWindowsLayoutTextsAtOnce) {
  lang::ActivateLanguage(lang::InstalledCatalogueFolder(), "zh_CN");
  struct Forget {
    ~Forget() { lang::ResetLanguageForTesting(); }
  } forget;
  ASSERT_NO_FATAL_FAILURE(Open());
  CControlUI* tab = window->PaintManager().FindControl(u"tab_downloaded");
  CControlUI* status = window->PaintManager().FindControl(u"statustext");
  ASSERT_TRUE(tab && status);
  EXPECT_EQ(tab->GetText(), u"已完成");

  EXPECT_EQ(Eval("return app.changeSetting('language', 'English')"), "en");
  EXPECT_EQ(tab->GetText(), u"Finished");
  EXPECT_EQ(status->GetText(), u"Language changed to English") << "the scripts' own text is theirs";

  EXPECT_EQ(Eval("return app.changeSetting('language', 'zh_CN')"), "zh_CN");
  EXPECT_EQ(tab->GetText(), u"已完成");
}

// .luacheckrc declares exactly the bindings the window's interpreter has,
// so luacheck's picture of the host cannot drift from the host.
TEST_F(DefaultScriptsTest, LuacheckConfigurationDeclaresEveryBindingTheWindowRegisters) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names .luacheckrc";
  ASSERT_NO_FATAL_FAILURE(Open());
  const std::string dir = source;
  EXPECT_EQ(Eval("package.path = '" + dir + "/tests/ext/?.lua;' .. package.path "
                 "local problems = require('bindings').problems('" + dir + "/.luacheckrc', "
                 "{ 'ui_', 'desktop_', 'inputDlg', 'dl_', 'sqlite_', 'xml_', 'zip_', 'fs_', 'http_' }) "
                 "return table.concat(problems, '; ')"),
            "");
}

TEST_F(DefaultScriptsTest, EngineStateMessagesDriveTheRows) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  OpenWithFakeEngine(source);
  HandOver("#clicent#http://127.0.0.1:9/a.zip");
  HandOver("#clicent#http://127.0.0.1:9/b.iso");
  ASSERT_EQ(Rows("downloadlist"), 2);
  EXPECT_EQ(Eval("return tostring(DownloadThreadCount == freeThreadCount)"), "false");

  Eval("fake:set('http://127.0.0.1:9/a.zip', { done = 512, total = 1024, speed = 100, eta = 5 })");
  Tick();
  EXPECT_EQ(Cell("downloadlist", 0, 1), "1.0 KB");
  EXPECT_EQ(Cell("downloadlist", 0, 2), "50");
  EXPECT_EQ(Cell("downloadlist", 0, 3), "100 B/s");
  EXPECT_EQ(Cell("downloadlist", 0, 4), "5s");

  const auto engineId = [&](const char* url) { return std::stoi(Eval(std::string("return fake:idOf('") + url + "')")); };
  Eval("fake:set('http://127.0.0.1:9/a.zip', { state = 'done', done = 1024, speed = 0 })");
  SendMessageW(window->GetHWND(), 3020, engineId("http://127.0.0.1:9/a.zip"), 3);
  EXPECT_EQ(Rows("downloadlist"), 1);
  ASSERT_EQ(Rows("downloadedlist"), 1);
  EXPECT_EQ(Cell("downloadedlist", 0, 0), "a.zip");
  EXPECT_EQ(Cell("downloadedlist", 0, 1), "1.0 KB");

  Eval("fake:set('http://127.0.0.1:9/b.iso', { state = 'failed', error = '404 Not Found' })");
  SendMessageW(window->GetHWND(), 3020, engineId("http://127.0.0.1:9/b.iso"), 4);
  EXPECT_NE(Cell("downloadlist", 0, 5).find("404 Not Found"), std::string::npos);
  EXPECT_EQ(Eval("return tostring(DownloadThreadCount == freeThreadCount)"), "true");

  // Retry from the toolbar, then delete from the context menu's entry.
  Eval("ui_listSelect(ui_findControl(pm, 'downloadlist'), 0, false)");
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"B_start"));
  ProcessEvents();
  EXPECT_EQ(Eval("return app.state.tasks:all()[2].state"), "running");
  modalAnswer = 1;  // the confirmation
  Eval("ui_sendNotify(ui_findControl(pm, 'downloadlist'), 'menu_Delete', 0, 0)");
  EXPECT_EQ(modals, 1);
  ProcessEvents();
  EXPECT_EQ(Rows("downloadlist"), 0);
  EXPECT_NE(Eval("return fake.calls[#fake.calls]").find(" false"), std::string::npos) << "files kept";
  EXPECT_EQ(Eval("return #app.state.store:loadAll()"), "1");

  // The settings page acts on the engine at once.
  Eval("local e = ui_findControl(pm, 'speedlimitedit') ui_setText(e, '100') ui_sendNotify(e, 'return', 0, 0)");
  Eval("local e = ui_findControl(pm, 'threadcountedit') ui_setText(e, '7') ui_sendNotify(e, 'killfocus', 0, 0)");
  Eval("local e = ui_findControl(pm, 'connectionsedit') ui_setText(e, '8') ui_sendNotify(e, 'return', 0, 0)");
  EXPECT_EQ(Eval("return fake.limit"), "102400");
  EXPECT_EQ(Eval("return app.state.tasks.maxActive"), "7");
  EXPECT_EQ(Eval("return fake.connections"), "8");
}

TEST_F(DefaultScriptsTest, ShortcutsHeaderClicksAndDropsActOnTheWholeSelection) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  OpenWithFakeEngine(source);
  Eval("app.addFromText('http://127.0.0.1:9/small.bin\\nhttp://127.0.0.1:9/big.bin')");
  ASSERT_EQ(Rows("downloadlist"), 2);
  Eval("fake:set('http://127.0.0.1:9/small.bin', { done = 10, total = 100 })");
  Eval("fake:set('http://127.0.0.1:9/big.bin', { done = 10, total = 5000 })");
  Tick();

  // Size header twice: largest first by bytes, not by the shown text.
  const char* list = "local l = ui_findControl(pm, 'downloadlist') ";
  Eval(std::string(list) + "ui_sendNotify(l, 'headerclick', 1, 0)");
  ProcessEvents();
  EXPECT_EQ(Cell("downloadlist", 0, 0), "small.bin");
  Eval(std::string(list) + "ui_sendNotify(l, 'headerclick', 1, 0)");
  ProcessEvents();
  EXPECT_EQ(Cell("downloadlist", 0, 0), "big.bin");

  // Ctrl+A then Space pauses both; Delete asks once for both.
  Eval(std::string(list) + "ui_sendNotify(l, 'keydown', string.byte('A'), 2)");
  ProcessEvents();
  EXPECT_EQ(Eval(std::string(list) + "return #ui_listGetSelected(l)"), "2");
  Eval(std::string(list) + "ui_sendNotify(l, 'keydown', 32, 0)");
  ProcessEvents();
  EXPECT_EQ(Eval("local a = app.state.tasks:all() return a[1].state .. ' ' .. a[2].state"), "paused paused");
  // "Copy link" from the context menu puts every selected link on the clipboard.
  EXPECT_EQ(Eval(std::string(list) + "return require('velmora.actions').copyUrlsOfSelected(l)"), "2");
  EXPECT_EQ(Eval("return ui_getClipboardText()"), "http://127.0.0.1:9/big.bin\nhttp://127.0.0.1:9/small.bin");
  // Delete on the settings page leaves the tasks alone.
  Eval("ui_selectTab(ui_findControl(pm, 'maintab'), 2)");
  Eval("ui_sendNotify(ui_findControl(pm, 'maintab'), 'keydown', 46, 0)");
  ProcessEvents();
  EXPECT_EQ(modals, 0);
  Eval("ui_selectTab(ui_findControl(pm, 'maintab'), 0)");
  modalAnswer = 1;
  Eval(std::string(list) + "ui_sendNotify(l, 'keydown', 46, 0)");
  ProcessEvents();
  EXPECT_EQ(modals, 1) << "one question for the whole selection";
  EXPECT_EQ(Rows("downloadlist"), 0);
  EXPECT_EQ(Eval("return #app.state.store:loadAll()"), "0");
}

TEST_F(DefaultScriptsTest, AFinishedZipIsExtractedBesideItAndAFailureShowsOnTheTask) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  const std::string folder = home / "dl";
  const std::string made = "mkdir -p '" + folder + "' && cd '" + folder +
                           "' && printf hello > hello.txt && zip -q good.zip hello.txt && rm hello.txt";
  if (std::system(made.c_str()) != 0) GTEST_SKIP() << "the zip program makes the test archive";
  WriteFileBytes(folder + "/bad.zip", "PK\x03\x04 this is no archive");
  OpenWithFakeEngine(source);
  // The archives are on disk before their tasks exist: downloading them
  // again is what the user chose.
  Eval("app.state.settings.extract = true app.state.settings.folder = '" + folder +
       "' app.state.settings.duplicateAction = 'rename'");
  Eval("app.addFromText('http://127.0.0.1:9/good.zip\\nhttp://127.0.0.1:9/bad.zip')");
  ASSERT_EQ(Rows("downloadlist"), 2);
  Eval("fake:set('http://127.0.0.1:9/good.zip', { state = 'done', done = 10, total = 10 })");
  Eval("fake:set('http://127.0.0.1:9/bad.zip', { state = 'done', done = 10, total = 10 })");
  Tick();
  ASSERT_EQ(Rows("downloadedlist"), 2);
  Eventually([&] { return Eval("return zip_running()") == "0"; }, 2000);
  Tick();
  EXPECT_EQ(Eval("return UnzipCount"), "0");
  EXPECT_EQ(ReadFileBytes(folder + "/good/hello.txt"), "hello");
  EXPECT_EQ(ReadFileBytes(folder + "/bad.zip"), std::string("PK\x03\x04 this is no archive")) << "download untouched";
  const std::string where = Eval("local l = ui_findControl(pm, 'downloadedlist') "
                                 "return ui_listGetCell(l, ui_listFindRowData(l, app.state.tasks:all()[2].id), 3)");
  EXPECT_NE(where.find("("), std::string::npos) << where;
  EXPECT_NE(Eval("return app.state.tasks:all()[2].error"), "");
  EXPECT_EQ(Eval("return app.state.tasks:all()[1].error"), "");
}

TEST_F(DefaultScriptsTest, DeleteKeepsTheFilesUnlessAskedAndRemovesThemWhenAsked) {
  Resource kept(PatternBytes(20000, 5)), removed(PatternBytes(20000, 6));
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, request.target == "/kept.bin" ? kept : removed);
  });
  const std::string folder = home / "dl";
  Open();
  Eval("app.state.settings.folder = '" + folder + "'");
  Eval("app.addFromText('" + server.Url("/kept.bin") + "\\n" + server.Url("/removed.bin") + "')");
  Eventually([&] {
    Tick();
    return Rows("downloadedlist") >= 2;
  });
  ASSERT_EQ(Rows("downloadedlist"), 2);
  ASSERT_EQ(ReadFileBytes(folder + "/kept.bin"), kept.body);
  // The finished page as the user sees it, kept for a person to look at.
  Eval("ui_setSelected(ui_findControl(pm, 'tab_downloaded'), true) ui_selectTab(ui_findControl(pm, 'maintab'), 1)");
  ProcessEvents();
  const char* outDir = std::getenv("VELMORA_SCREENSHOT_DIR");
  const std::string png = (outDir && *outDir ? std::string(outDir) : home.path()) + "/velmora-finished-tasks.png";
  ASSERT_TRUE(RenderToPng(window->GetHWND(), png));
  const QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 50u) << "a painted window, not a blank one";
  // The host's box answers with its check box, left unticked.
  modalAnswer = 1;
  EXPECT_EQ(Eval("local a, c = ui_messageBox(nil, 'Delete?', true, 'also the files') return a .. ' ' .. tostring(c)"),
            "1 false");
  EXPECT_EQ(Eval("return select('#', ui_messageBox(nil, 'Sure?', true))"), "1") << "no box, one answer";
  // The box's answer and its check box, as the user leaves them.
  Eval("ui_messageBox = function(_, _, _, check) boxCheck = check return 1, boxTicked end");
  Eval("ui_selectTab(ui_findControl(pm, 'maintab'), 1) boxTicked = false "
       "local l = ui_findControl(pm, 'downloadedlist') ui_listSelect(l, ui_listFindRowData(l, app.state.tasks:all()[1].id), false) "
       "ui_sendNotify(l, 'menu_Delete', 0, 0)");
  ProcessEvents();
  EXPECT_NE(Eval("return boxCheck"), "") << "the box offers to delete the files";
  EXPECT_EQ(ReadFileBytes(folder + "/kept.bin"), kept.body) << "unticked keeps the file";
  Eval("boxTicked = true local l = ui_findControl(pm, 'downloadedlist') ui_listSelect(l, 0, false) "
       "ui_sendNotify(l, 'menu_Delete', 0, 0)");
  ProcessEvents();
  EXPECT_EQ(Rows("downloadedlist"), 0);
  struct stat info {};
  EXPECT_NE(stat((folder + "/removed.bin").c_str(), &info), 0) << "ticked removes the file";
  EXPECT_EQ(Eval("return #app.state.store:loadAll()"), "0");
}

TEST_F(DefaultScriptsTest, FiveHundredPastedUrlsBecomeFiveHundredRows) {
  Open();
  const auto started = std::chrono::steady_clock::now();
  Eval(
      "local lines = {} for i = 1, 500 do lines[i] = 'http://127.0.0.1:9/p' .. i .. '.bin' end "
      "app.addFromText(table.concat(lines, '\\r\\n') .. '\\nnot-a-link\\n')");
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("500 pasted URLs became rows in %lld ms\n", static_cast<long long>(elapsed.count()));
  EXPECT_EQ(Rows("downloadlist"), 500);
  EXPECT_EQ(Cell("downloadlist", 499, 0), "p500.bin");
  EXPECT_EQ(Eval("return #app.state.store:loadAll()"), "500");
}

TEST_F(DefaultScriptsTest, AThousandStoredTasksAreShownAtStart) {
  Open();
  Eval(
      "local urls = {} for i = 1, 1000 do urls[i] = 'http://127.0.0.1:9/f' .. i .. '.bin' end "
      "app.state.tasks:add(urls, app.targetFolder())");
  Close();
  const auto started = std::chrono::steady_clock::now();
  Open();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("window on 1000 stored tasks opened in %lld ms\n", static_cast<long long>(elapsed.count()));
  EXPECT_EQ(Rows("downloadlist"), 1000);
  EXPECT_EQ(Cell("downloadlist", 999, 0), "f1000.bin");
}

TEST_F(DefaultScriptsTest, ADamagedDatabaseIsSetAsideAndReported) {
  ::mkdir((home / "data").c_str(), 0700);
  ::mkdir((home / "data/velmora").c_str(), 0700);
  WriteFileBytes(home / "data/velmora/tasks.db", std::string(4096, 'x'));
  Open();
  Tick();
  EXPECT_EQ(modals, 1);  // the notice
  Tick();
  EXPECT_EQ(modals, 1);  // once
  EXPECT_NE(Eval("return ui_getText(ui_findControl(pm, 'statustext'))").find("tasks.db.damaged-"), std::string::npos);
  bool setAside = false;
  for (const auto& name : FileNames(home / "data/velmora"))
    if (name.rfind("tasks.db.damaged-", 0) == 0) setAside = ReadFileBytes(home / ("data/velmora/" + name)).size() == 4096;
  EXPECT_TRUE(setAside);
  HandOver("#clicent#http://127.0.0.1:9/after.bin");
  EXPECT_EQ(Rows("downloadlist"), 1);
}

TEST_F(DefaultScriptsTest, SettingsPageWritesTheSettingsFile) {
  Open();
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'threadcountedit'))"), "3");
  // Out of range: kept as typed, with the reason beside it, and not saved.
  Eval("local e = ui_findControl(pm, 'threadcountedit') ui_setText(e, '25') ui_sendNotify(e, 'killfocus', 0, 0)");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'threadcountedit'))"), "25");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'threadcountedit_err'))"),
            Eval("return string.format(require('velmora.strings').settingRange, 1, 20)"));
  EXPECT_EQ(Eval("return app.state.settings.concurrent"), "3");
  Eval("local e = ui_findControl(pm, 'threadcountedit') ui_setText(e, '20') ui_sendNotify(e, 'return', 0, 0)");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'threadcountedit_err'))"), "");
  Eval("local c = ui_findControl(pm, 'chk_clipboard') ui_setSelected(c, true)");
  ProcessEvents();
  const std::string file = ReadFileBytes(home / "config/velmora/settings.xml");
  EXPECT_NE(file.find("<concurrent>20</concurrent>"), std::string::npos) << file;
  EXPECT_NE(file.find("<clipboard>1</clipboard>"), std::string::npos) << file;
  Close();
  Open();
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'threadcountedit'))"), "20");
  EXPECT_EQ(Eval("return tostring(ui_isSelected(ui_findControl(pm, 'chk_clipboard')))"), "true");

  ASSERT_TRUE(ClickControl(window->PaintManager(), u"tab_settings"));
  ProcessEvents();
  if (const char* outDir = std::getenv("VELMORA_SCREENSHOT_DIR"); outDir && *outDir) {
    EXPECT_TRUE(RenderToPng(window->GetHWND(), std::string(outDir) + "/velmora-settings.png"));
  }
}

TEST_F(DefaultScriptsTest, SettingsPageKeepsASchedule) {
  Open();
  auto type = [this](const std::string& edit, const std::string& text) {
    Eval("local e = ui_findControl(pm, '" + edit + "') ui_setText(e, '" + text + "') ui_sendNotify(e, 'return', 0, 0)");
  };
  // A time that is none: kept as typed with the reason, not saved.
  type("schedstartedit", "25:00");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'schedstartedit'))"), "25:00");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'schedstartedit_err'))"),
            Eval("return require('velmora.strings').settingTime"));
  EXPECT_EQ(Eval("return app.state.settings.scheduleStart"), "");
  type("schedstartedit", "01:30");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'schedstartedit_err'))"), "");
  type("schedstopedit", "07:00");
  type("scheddaysedit", "8");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'scheddaysedit_err'))"),
            Eval("return require('velmora.strings').settingDays"));
  type("scheddaysedit", "67");
  type("windowlimitedit", "1024");
  type("donecommandedit", "/bin/true");
  EXPECT_EQ(modals, 0) << "no command chosen yet";
  Eval("ui_setSelected(ui_findControl(pm, 'opt_done_command'), true)");
  ProcessEvents();
  EXPECT_EQ(Eval("return app.state.settings.whenDone"), "command");
  EXPECT_EQ(modals, 1) << "the command is shown for consent when chosen";
  const std::string file = ReadFileBytes(home / "config/velmora/settings.xml");
  EXPECT_NE(file.find("<scheduleStart>01:30</scheduleStart>"), std::string::npos) << file;
  EXPECT_NE(file.find("<scheduleDays>67</scheduleDays>"), std::string::npos) << file;
  EXPECT_NE(file.find("<doneCommand>/bin/true</doneCommand>"), std::string::npos) << file;
  Close();
  Open();
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'schedstopedit'))"), "07:00");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'windowlimitedit'))"), "1024");
  EXPECT_EQ(Eval("return tostring(ui_isSelected(ui_findControl(pm, 'opt_done_command')))"), "true");
  EXPECT_EQ(Eval("return tostring(ui_isSelected(ui_findControl(pm, 'opt_done_quit')))"), "false");
  // The window's own way to start a program refuses what it cannot run.
  EXPECT_EQ(Eval("return select(2, desktop_run({}))"), "desktop_run takes a list of words, the program first");
  EXPECT_EQ(Eval("return tostring(desktop_run({'/nonexistent/program'}))"), "false");
  EXPECT_EQ(Eval("return tostring(desktop_run({'true', 'a b; c'}))"), "true") << "found on PATH";
  EXPECT_EQ(Eval("return tostring(desktop_run({'true', 7}))"), "false") << "words only";
}

TEST_F(DefaultScriptsTest, ClipboardWatchingOffersACopiedLinkOnce) {
  Open();
  Eval("ui_setClipboardText('http://127.0.0.1:9/before.zip')");
  Eval("local c = ui_findControl(pm, 'chk_clipboard') ui_setSelected(c, true)");
  ProcessEvents();
  Tick();
  EXPECT_EQ(modals, 0) << "what was copied before watching started";
  Eval("ui_setClipboardText('http://127.0.0.1:9/declined.zip')");
  Tick();
  EXPECT_EQ(modals, 1);
  EXPECT_EQ(Rows("downloadlist"), 0);
  modalAnswer = 1;
  Eval("ui_setClipboardText('http://127.0.0.1:9/taken.zip')");
  Tick();
  EXPECT_EQ(modals, 2);
  ASSERT_EQ(Rows("downloadlist"), 1);
  EXPECT_EQ(Cell("downloadlist", 0, 0), "taken.zip");
  // Copied again, neither is offered a second time.
  Eval("ui_setClipboardText('http://127.0.0.1:9/declined.zip')");
  Tick();
  Eval("ui_setClipboardText('http://127.0.0.1:9/taken.zip')");
  Tick();
  Eval("ui_setClipboardText('just text')");
  Tick();
  EXPECT_EQ(modals, 2);
}

TEST_F(DefaultScriptsTest, SearchFiltersTheListAsYouType) {
  Open();
  HandOver("#clicent#http://127.0.0.1:9/alpha.zip");
  HandOver("#clicent#http://127.0.0.1:9/beta.iso");
  HandOver("#clicent#http://127.0.0.1:9/alphabet.txt");
  Eval("local e = ui_findControl(pm, 'searchedit') ui_setText(e, 'ALPHA') ui_sendNotify(e, 'textchanged', 0, 0)");
  EXPECT_EQ(Rows("downloadlist"), 2);
  Eval("local e = ui_findControl(pm, 'searchedit') ui_setText(e, '') ui_sendNotify(e, 'textchanged', 0, 0)");
  EXPECT_EQ(Rows("downloadlist"), 3);
}


// Text of a control in the innermost script dialog; empty when none.
std::u16string DialogText(const char16_t* name) {
  CScriptDialog* dialog = InnermostScriptDialog();
  CControlUI* control = dialog ? dialog->PaintManager().FindControl(name) : nullptr;
  return control ? control->GetText() : std::u16string();
}

void SetDialogText(const char16_t* name, std::u16string_view text) {
  CScriptDialog* dialog = InnermostScriptDialog();
  if (CControlUI* control = dialog ? dialog->PaintManager().FindControl(name) : nullptr) control->SetText(text);
}

bool ClickInDialog(const char16_t* name) {
  CScriptDialog* dialog = InnermostScriptDialog();
  return dialog && ClickControl(dialog->PaintManager(), name);
}

// The new-task button opens the product's dialog: a problem keeps it open
// with the reason beside its field; what it confirms becomes tasks with
// their folder, options and "paused", and the options reach the engine.
TEST_F(DefaultScriptsTest, NewTaskDialogChecksItsFieldsAndAddsWhatItConfirms) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  OpenWithFakeEngine(source);
  const std::string chosen = home / "chosen/deeper";
  const FolderChooser previous = SetFolderChooser([&](const std::u16string&, const std::u16string&) {
    return std::optional<std::u16string>(std::u16string(chosen.begin(), chosen.end()));
  });
  std::u16string connectionsProblem, linksProblem;
  bool stayedOpen = false;
  int dialogs = 0;
  SetModalHook([&](HWND modal) {
    ++dialogs;
    ClickInDialog(u"okbtn");
    linksProblem = DialogText(u"links_err");
    SetDialogText(u"links", u"http://127.0.0.1:9/one.iso\nhttp://127.0.0.1:9/two.iso");
    SetDialogText(u"connections", u"40");
    ClickInDialog(u"browsebtn");
    ClickInDialog(u"okbtn");
    connectionsProblem = DialogText(u"connections_err");
    stayedOpen = IsWindow(modal) && InnermostScriptDialog() != nullptr;
    SetDialogText(u"connections", u"8");
    SetDialogText(u"speedLimit", u"64");
    ClickInDialog(u"chk_paused");
    ClickInDialog(u"okbtn");
    if (InnermostScriptDialog()) PostMessage(modal, WM_CLOSE, 2, 0);
  });
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"B_add"));
  ProcessEvents();
  SetFolderChooser(previous);
  EXPECT_EQ(dialogs, 1);
  EXPECT_FALSE(linksProblem.empty()) << "an empty form names the missing links";
  EXPECT_FALSE(connectionsProblem.empty()) << "40 connections are refused, not brought down to 16";
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(Rows("downloadlist"), 2);
  EXPECT_EQ(Eval("return app.state.tasks:all()[1].folder"), chosen);
  EXPECT_EQ(Eval("return app.state.tasks:all()[2].state"), "paused");
  EXPECT_EQ(Eval("return #fake.calls"), "0") << "paused tasks are not started";
  struct stat info {};
  EXPECT_EQ(stat(chosen.c_str(), &info), 0) << "the chosen folder is made";
  Eval("app.state.tasks:start({ app.state.tasks:all()[1].id })");
  EXPECT_EQ(Eval("local t = fake.tasks[fake:idOf('http://127.0.0.1:9/one.iso')] "
                 "return t.options.connections .. ' ' .. t.options.limit"),
            "8 65536");
}

// A link already in the list asks once; "skip" with "do this every time"
// is kept, and the next duplicate is skipped without asking.
TEST_F(DefaultScriptsTest, ADuplicateLinkAsksOnceAndTheKeptAnswerIsUsed) {
  Open();
  HandOver("#clicent#http://127.0.0.1:9/same.zip");
  ASSERT_EQ(Rows("downloadlist"), 1);
  std::u16string asked;
  SetModalHook([&](HWND modal) {
    ++modals;
    asked = DialogText(u"dup_text");
    ClickInDialog(u"chk_remember");
    ClickInDialog(u"dup_skip");
    if (IsWindow(modal)) PostMessage(modal, WM_CLOSE, 2, 0);
  });
  HandOver("#clicent#http://127.0.0.1:9/same.zip");
  EXPECT_EQ(modals, 0) << "not while the sender waits";
  Tick();
  EXPECT_EQ(modals, 1);
  EXPECT_NE(asked.find(u"http://127.0.0.1:9/same.zip"), std::u16string::npos);
  EXPECT_EQ(Rows("downloadlist"), 1);
  EXPECT_EQ(Eval("return app.state.settings.duplicateAction"), "skip");
  EXPECT_NE(ReadFileBytes(home / "config/velmora/settings.xml").find("<duplicateAction>skip<"), std::string::npos);
  HandOver("#clicent#http://127.0.0.1:9/same.zip");
  EXPECT_EQ(modals, 1) << "not asked again";
  EXPECT_EQ(Rows("downloadlist"), 1);
  // "rename" downloads it again.
  Eval("app.state.settings.duplicateAction = 'rename'");
  HandOver("#clicent#http://127.0.0.1:9/same.zip");
  EXPECT_EQ(Rows("downloadlist"), 2);
}

// A browser hand-over of the same file name and length as a failed task
// continues that task from the new link instead of adding another.
TEST_F(DefaultScriptsTest, AHandOverMatchingAFailedTaskContinuesIt) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  OpenWithFakeEngine(source);
  HandOver("#clicent#http://127.0.0.1:9/old-link/big.iso");
  const std::string eid = Eval("return fake:idOf('http://127.0.0.1:9/old-link/big.iso')");
  Eval("fake:set('http://127.0.0.1:9/old-link/big.iso', { state = 'failed', error = '403', total = 5000, done = 100 })");
  Tick();
  ASSERT_EQ(Eval("return app.state.tasks:all()[1].state"), "failed");
  modalAnswer = 1;  // yes, continue it
  HandOver(R"(#clicent#{"url":"http://127.0.0.1:9/fresh-link/big.iso","name":"big.iso","fileSize":5000})");
  EXPECT_EQ(Eval("return table.concat(fake.calls, ';')").find("setUrl"), std::string::npos)
      << "not asked while the sender waits";
  Tick();
  EXPECT_EQ(Rows("downloadlist"), 1);
  EXPECT_EQ(Eval("return app.state.tasks:all()[1].url"), "http://127.0.0.1:9/fresh-link/big.iso");
  const std::string calls = Eval("return table.concat(fake.calls, ';')");
  EXPECT_NE(calls.find("setUrl " + eid + " http://127.0.0.1:9/fresh-link/big.iso"), std::string::npos) << calls;
  EXPECT_NE(calls.find("start " + eid), std::string::npos) << calls;
  EXPECT_EQ(Eval("return app.state.store:loadAll()[1].url"), "http://127.0.0.1:9/fresh-link/big.iso");
  // Another size is another file.
  HandOver(R"(#clicent#{"url":"http://127.0.0.1:9/x/big.iso","name":"big.iso","fileSize":7})");
  Tick();
  EXPECT_EQ(Rows("downloadlist"), 2);
}

// Opening what cannot be opened says so in the status line.
TEST_F(DefaultScriptsTest, OpeningAFileOrFolderThatCannotBeOpenedIsReported) {
  Open();
  const DesktopOpener previous = SetDesktopOpener([](const std::u16string&) { return false; });
  HandOver("#clicent#http://127.0.0.1:9/notyet.bin");
  Eval("ui_listSelect(ui_findControl(pm, 'downloadlist'), 0, false)");
  Eval("require('velmora.actions').openFileOfSelected(ui_findControl(pm, 'downloadlist'))");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'statustext'))"),
            Eval("return string.format(require('velmora.strings').notDownloadedYet, 'notyet.bin')"));
  Eval("require('velmora.actions').openFolderOfSelected(ui_findControl(pm, 'downloadlist'))");
  const std::string status = Eval("return ui_getText(ui_findControl(pm, 'statustext'))");
  EXPECT_EQ(status, Eval("return string.format(require('velmora.strings').openFolderFailed, "
                         "app.state.tasks:all()[1].folder)"));
  SetDesktopOpener(previous);
}

// The settings page shows the folder the next task really goes to: the
// install path's download folder until a folder is set; a folder that
// cannot be made is refused beside the field.
TEST_F(DefaultScriptsTest, TheFolderFieldNamesWhereTheNextTaskGoesAndRefusesImpossibleFolders) {
  Open();
  ProcessEvents();
  const std::string target = Eval("return app.targetFolder()");
  EXPECT_EQ(target, Eval("return app.state.hostSavePath"));
  EXPECT_NE(Eval("return ui_getText(ui_findControl(pm, 'foldernext'))").find(target), std::string::npos);
  WriteFileBytes(home / "a-file", "x");
  const std::string impossible = home / "a-file/sub";
  Eval("local e = ui_findControl(pm, 'folderedit') ui_setText(e, '" + impossible + "') ui_sendNotify(e, 'killfocus', 0, 0)");
  // The host notes the failed creation for diagnosis; the user sees it beside the field.
  reports.clear();
  EXPECT_EQ(Eval("return app.state.settings.folder"), "");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'folderedit'))"), impossible) << "kept as typed";
  EXPECT_NE(Eval("return ui_getText(ui_findControl(pm, 'folderedit_err'))"), "");
  const std::string fine = home / "mine";
  Eval("local e = ui_findControl(pm, 'folderedit') ui_setText(e, '" + fine + "') ui_sendNotify(e, 'return', 0, 0)");
  EXPECT_EQ(Eval("return ui_getText(ui_findControl(pm, 'folderedit_err'))"), "");
  EXPECT_EQ(Eval("return app.targetFolder()"), fine);
  EXPECT_NE(Eval("return ui_getText(ui_findControl(pm, 'foldernext'))").find(fine), std::string::npos);
}

// The menu's items: clear finished keeps the files, about names the version
// and where data lives, and "close to tray" makes the close button hide.
TEST_F(DefaultScriptsTest, MenuItemsAndCloseToTray) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  OpenWithFakeEngine(source);
  HandOver("#clicent#http://127.0.0.1:9/kept.bin");
  HandOver("#clicent#http://127.0.0.1:9/running.bin");
  Eval("fake:set('http://127.0.0.1:9/kept.bin', { state = 'done', done = 1, total = 1 })");
  Tick();
  ASSERT_EQ(Rows("downloadedlist"), 1);
  const auto menu = [&](const char* item) {
    Eval(std::string("ui_sendNotify(ui_findControl(pm, 'menubtn'), '") + item + "', 0, 0)");
    ProcessEvents();
  };
  const std::string keptId = Eval("return fake:idOf('http://127.0.0.1:9/kept.bin')");
  menu("menu_ClearFinished");
  EXPECT_EQ(Rows("downloadedlist"), 0);
  EXPECT_EQ(Rows("downloadlist"), 1);
  EXPECT_NE(Eval("return table.concat(fake.calls, ';')").find("remove " + keptId + " false"), std::string::npos)
      << "files kept";

  std::u16string about;
  SetModalHook([&](HWND modal) {
    about = DialogText(u"about_text");
    PostMessage(modal, WM_CLOSE, 1, 0);
  });
  menu("menu_About");
  EXPECT_NE(about.find(u"tasks.db"), std::u16string::npos);
  EXPECT_NE(about.find(u"settings.xml"), std::u16string::npos);
  EXPECT_NE(about.find(u"0."), std::u16string::npos) << "the version";

  Eval("app.changeSetting('closeToTray', true)");
  EXPECT_EQ(Eval("return CloseToTray"), "1");
  ShowWindow(window->GetHWND(), SW_SHOW);
  TakeMessageBoxLog();
  ASSERT_TRUE(ClickControl(window->PaintManager(), u"closebtn"));
  ProcessEvents();
  EXPECT_FALSE(IsWindowVisible(window->GetHWND())) << "hidden, not closed";
  EXPECT_TRUE(IsWindow(window->GetHWND()));
  EXPECT_TRUE(TakeMessageBoxLog().empty()) << "no exit question";
  Eval("app.onWindowMessage(3010, 107, 0x0202)");
  EXPECT_TRUE(IsWindowVisible(window->GetHWND())) << "a click on the icon shows it";
  Eval("app.changeSetting('closeToTray', false)");
  EXPECT_EQ(Eval("return CloseToTray"), "0");
}

// A failed row says why in a few words, its tooltip holds the whole
// message, a double click opens the details with the buttons that mend it,
// and the columns' widths and order come back after a restart.
TEST_F(DefaultScriptsTest, AFailedRowReadsItsReasonOpensItsDetailsAndTheColumnsAreKept) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VELMORA_SOURCE_DIR names the tests' fake engine";
  OpenWithFakeEngine(source);
  HandOver("#clicent#http://127.0.0.1:9/page.iso");
  ASSERT_EQ(Rows("downloadlist"), 1);
  Eval("fake:set('http://127.0.0.1:9/page.iso', { state = 'failed', cause = 'web-page', code = 200, "
       "error = 'the server answered with a web page (text/html), not the file' })");
  SendMessageW(window->GetHWND(), 3020, std::stoi(Eval("return fake:idOf('http://127.0.0.1:9/page.iso')")), 4);
  EXPECT_EQ(Eval("local l = ui_findControl(pm, 'downloadlist') "
                 "return tostring(ui_listGetCell(l, 0, 5) == require('velmora.reasons').stateCell({ cause = 'web-page' }))"),
            "true");
  auto* list = dynamic_cast<CListUI*>(window->PaintManager().FindControl(u"downloadlist"));
  ASSERT_NE(list, nullptr);
  EXPECT_NE(list->GetRow(0)->toolTip.find(u"not the file"), std::u16string::npos) << "whole message in the tooltip";

  const RECT body = list->GetPos();
  DoubleClick(window->GetHWND(), POINT{body.left + 100, body.top + 34 + 20});
  ProcessEvents();
  CPaintManagerUI& pm = window->PaintManager();
  ASSERT_TRUE(pm.FindControl(u"detailspane")->IsVisible()) << "double click opens the details";
  EXPECT_NE(pm.FindControl(u"D_error")->GetText().find(u"not the file"), std::u16string::npos);
  EXPECT_EQ(pm.FindControl(u"D_url")->GetText(), u"http://127.0.0.1:9/page.iso");
  EXPECT_TRUE(pm.FindControl(u"D_saveanyway")->IsVisible());
  EXPECT_FALSE(pm.FindControl(u"D_startover")->IsVisible());
  const char* outDir = std::getenv("VELMORA_SCREENSHOT_DIR");
  const std::string png = (outDir && *outDir ? std::string(outDir) : home.path()) + "/velmora-details.png";
  EXPECT_TRUE(RenderToPng(window->GetHWND(), png));
  // The fake engine has no restart: the button says so instead of failing silently.
  ASSERT_TRUE(ClickControl(pm, u"D_saveanyway"));
  ProcessEvents();
  EXPECT_EQ(Eval("return app.state.tasks:all()[1].state"), "failed");
  EXPECT_NE(Eval("return app.state.message"), "");
  ASSERT_TRUE(ClickControl(pm, u"D_retry"));
  ProcessEvents();
  EXPECT_EQ(Eval("return app.state.tasks:all()[1].state"), "running");
  EXPECT_FALSE(pm.FindControl(u"D_retry")->IsVisible()) << "the pane follows its task";
  KeyPress(window->GetHWND(), VK_ESCAPE);
  ProcessEvents();
  EXPECT_FALSE(pm.FindControl(u"detailspane")->IsVisible());

  // Drag the divider left of the state column, sort by size descending.
  const RECT timeLeft = list->GetHeader()->GetItemAt(4)->GetPos();
  const int y = timeLeft.top + 10;
  MouseMove(window->GetHWND(), POINT{timeLeft.right + 1, y});
  MouseDown(window->GetHWND(), POINT{timeLeft.right + 1, y});
  MouseMove(window->GetHWND(), POINT{timeLeft.right - 29, y}, true);
  MouseUp(window->GetHWND(), POINT{timeLeft.right - 29, y});
  ProcessEvents();
  const std::vector<int> widths = list->GetColumnWidths();
  EXPECT_EQ(widths[4], timeLeft.right - timeLeft.left - 30);
  Eval("local l = ui_findControl(pm, 'downloadlist') ui_sendNotify(l, 'headerclick', 1, 0) "
       "ui_sendNotify(l, 'headerclick', 1, 0)");
  ProcessEvents();
  Close();
  OpenWithFakeEngine(source);
  list = dynamic_cast<CListUI*>(window->PaintManager().FindControl(u"downloadlist"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetColumnWidths(), widths) << "widths kept";
  EXPECT_EQ(Eval("local v = app.state.view local o = v.order[v.active] "
                 "return o and (o.column .. ' ' .. tostring(o.descending))"),
            "1 true")
      << "order kept";
}

}  // namespace
