#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/CTessaryDL.h"
#include "app/ConfigBootstrapSteps.h"
#include "platform/Path.h"
#include "tests/app/AppTestSupport.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/support/TempDir.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowHost.h"

namespace {

using namespace ui::automation;
using namespace std::chrono_literals;

constexpr char kRecorder[] = R"lua(
calls = {}
local function rec(text) calls[#calls + 1] = text end
DownloadThreadCount = "3"
function InitSystem() rec("InitSystem") end
function SetHttpConfigStatus(s) rec("SetHttpConfigStatus:" .. s) end
function SetDownloacCenterConfig(t) rec("SetDownloacCenterConfig:" .. t) end
function InitThreadPathList(t) rec("InitThreadPathList:" .. t) end
function InitSerchType(t) rec("InitSerchType:" .. t) end
function SetFileSavePath(p) rec("SetFileSavePath") end
function OnTimer(id) return 0 end
function OnMessage(w, l) return 0 end
function queryudata() rec("queryudata") end
)lua";

std::string Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Loopback(const LoopbackServer& server) { return "127.0.0.1:" + std::to_string(server.port()); }

std::string BinDir() {
  const char* dir = std::getenv("VELMORA_BIN_DIR");
  return dir ? dir : ".";
}

class MainWindowBootstrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(environment.Enter(dir.path()));
    for (const char* name : {"VELMORA_CONFIG_HOST", "VELMORA_SERVICE_HOST1", "VELMORA_SERVICE_HOST2",
                             "VELMORA_SERVICE_HOST3"})
      ::unsetenv(name);
  }
  void TearDown() override {
    window.reset();
    for (const char* name : {"VELMORA_CONFIG_HOST", "VELMORA_SERVICE_HOST1"}) ::unsetenv(name);
    environment.Leave();
  }

  // A deployment in the test folder: the scripts, and dc-config.ini written
  // by the deployers' tool when `configText` is given.
  void Deploy(const std::string* configText) {
    ::mkdir((dir / "ext").c_str(), 0755);
    WriteFileBytes(dir / "ext/system.dll", kRecorder);
    if (configText) {
      WriteFileBytes(dir / "plain.txt", *configText);
      const std::string command =
          BinDir() + "/velmora-config encrypt '" + (dir / "plain.txt") + "' '" + (dir / "dc-config.ini") + "'";
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    platform::OverrideModuleFileNameForTesting(Wide(dir / "velmora"));
    initSystemDone = 0;
  }
  void Open() {
    window = std::make_unique<CTessaryDL>();
    ASSERT_NE(window->Create(nullptr, kProductTitle, 0x10CF0000, 0, 0, 0, 1024, 800), nullptr);
  }
  std::vector<std::string> Calls() { return TakeScriptCalls(window->Script().State()); }
  bool CallsInclude(std::vector<std::string>& seen, const std::string& entry) {
    for (auto& call : Calls()) seen.push_back(call);
    for (const auto& call : seen)
      if (call == entry) return true;
    return false;
  }

  TempDir dir;
  AppWindowTestEnvironment environment;
  std::unique_ptr<CTessaryDL> window;
};

TEST_F(MainWindowBootstrapTest, DeploymentWithAConfigFileStartsItsScriptsOnceTheServiceAnswers) {
  LoopbackServer service(Reply(Ok("1")));
  ::setenv("VELMORA_SERVICE_HOST1", Loopback(service).c_str(), 1);
  const std::string config = "\xEF\xBB\xBF" "server=a";
  Deploy(&config);
  Open();
  std::vector<std::string> seen;
  ASSERT_TRUE(RunUntil([&] { return CallsInclude(seen, "SetHttpConfigStatus:0"); }, 10000));
  // Window initialisation left InitSystem to the answer, which brought the
  // file's text without its mark first.
  std::vector<std::string> bootstrap;
  for (const auto& call : seen)
    if (call != "SetFileSavePath") bootstrap.push_back(call);
  EXPECT_EQ(bootstrap, (std::vector<std::string>{"SetDownloacCenterConfig:server=a", "InitSystem", "SetHttpConfigStatus:0"}));
  EXPECT_EQ(window->DownloadThreadCount(), u"3");
  SendMessageW(window->GetHWND(), WM_TIMER, kScriptTimerId, 0);
  EXPECT_EQ(Calls(), std::vector<std::string>{"queryudata"});

  // The scripts ask again: the file again, InitSystem not.
  SendMessageW(window->GetHWND(), kMsgRestartConfig, 0, 0);
  seen.clear();
  ASSERT_TRUE(RunUntil([&] { return CallsInclude(seen, "SetHttpConfigStatus:0"); }, 10000));
  EXPECT_EQ(seen.front(), "SetDownloacCenterConfig:server=a");
  for (const auto& call : seen) EXPECT_NE(call, "InitSystem");
}

TEST_F(MainWindowBootstrapTest, WithoutAConfigFileWindowInitialisationStartsTheScripts) {
  Deploy(nullptr);
  Open();
  std::vector<std::string> seen;
  ASSERT_TRUE(RunUntil([&] { return CallsInclude(seen, "SetHttpConfigStatus:0"); }, 5000));
  EXPECT_EQ(seen[0], "SetFileSavePath");
  EXPECT_EQ(seen[1], "InitSystem");
}

TEST_F(MainWindowBootstrapTest, ServerListIsFetchedOnceAndDelivered) {
  LoopbackServer config(Reply(Ok("[{\"id\":7}]")));
  ::setenv("VELMORA_CONFIG_HOST", Loopback(config).c_str(), 1);
  Deploy(nullptr);
  Open();
  std::vector<std::string> init;
  ASSERT_TRUE(RunUntil([&] { return CallsInclude(init, "SetHttpConfigStatus:0"); }, 5000));
  Calls();
  PostMessage(window->GetHWND(), kMsgScriptRequest, 0, 0);
  PostMessage(window->GetHWND(), kMsgScriptRequest, 0, 0);  // during the fetch: no second one
  std::vector<std::string> seen;
  ASSERT_TRUE(RunUntil([&] { return CallsInclude(seen, "InitSerchType:"); }, 5000));
  EXPECT_EQ(seen, (std::vector<std::string>{"InitThreadPathList:[{\"id\":7}]", "InitSerchType:"}));
  SendMessageW(window->GetHWND(), kMsgScriptRequest, 0, 0);  // delivered: none at all
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(config.connections(), 1u);
}

TEST_F(MainWindowBootstrapTest, UpdateNoticeShownTwiceWithOneFetch) {
  LoopbackServer config(Reply(Ok("Version 2")));
  ::setenv("VELMORA_CONFIG_HOST", Loopback(config).c_str(), 1);
  Deploy(nullptr);
  Open();
  std::vector<std::u16string> shown;
  SetModalHook([&](HWND modal) {
    CPaintManagerUI* manager = static_cast<CPaintManagerUI*>(ui::detail::WindowHost::From(modal)->MessageFilter());
    shown.push_back(manager->FindControl(u"info_txt")->GetText());
    PostMessage(modal, WM_CLOSE, 1, 0);
  });
  PostMessage(window->GetHWND(), kMsgAskUpdateNotice, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return shown.size() == 1; }, 5000));
  PostMessage(window->GetHWND(), kMsgAskUpdateNotice, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return shown.size() == 2; }, 5000));
  EXPECT_EQ(shown, (std::vector<std::u16string>{u"Version 2", u"Version 2"}));
  EXPECT_EQ(config.connections(), 1u);
  EXPECT_EQ(window->Script().updateInfoText, "Version 2");
}

TEST_F(MainWindowBootstrapTest, FailedUpdateFetchShowsAnEmptyNoticeAndFetchesAgainNextTime) {
  ::setenv("VELMORA_CONFIG_HOST", ("127.0.0.1:" + std::to_string(UnusedLoopbackPort())).c_str(), 1);
  Deploy(nullptr);
  Open();
  std::vector<std::u16string> shown;
  SetModalHook([&](HWND modal) {
    shown.push_back(static_cast<CPaintManagerUI*>(ui::detail::WindowHost::From(modal)->MessageFilter())->FindControl(u"info_txt")->GetText());
    PostMessage(modal, WM_CLOSE, 1, 0);
  });
  PostMessage(window->GetHWND(), kMsgAskUpdateNotice, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return shown.size() == 1; }, 5000));
  PostMessage(window->GetHWND(), kMsgAskUpdateNotice, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return shown.size() == 2; }, 5000));
  EXPECT_EQ(shown, (std::vector<std::u16string>{u"", u""}));
}

TEST_F(MainWindowBootstrapTest, ClosingWhileAWorkerIsBlockedTouchesNothingThatIsGone) {
  ScriptedReply stalled{{""}, 0, true};
  LoopbackServer config(stalled);
  ::setenv("VELMORA_CONFIG_HOST", Loopback(config).c_str(), 1);
  Deploy(nullptr);
  Open();
  SendMessageW(window->GetHWND(), kMsgAskUpdateNotice, 0, 0);
  RunUntil([&] { return config.connections() == 1; }, 2000);
  const auto start = std::chrono::steady_clock::now();
  window.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  ProcessEvents();
}

TEST_F(MainWindowBootstrapTest, WorkersPostOnlyToTheirOwnProcessWindow) {
  EXPECT_FALSE(PostToOwnMainWindow(kMsgServerListReady));
  Deploy(nullptr);
  Open();
  EXPECT_TRUE(PostToOwnMainWindow(kMsgServerListReady));
}

TEST_F(MainWindowBootstrapTest, MaximisingWithoutAUsableMonitorKeepsTheWindowsSize) {
  Deploy(nullptr);
  Open();
  RECT before;
  GetWindowRect(window->GetHWND(), &before);
  OverrideMonitor(RECT{0, 0, 0, 0}, RECT{0, 0, 0, 0});
  SendMessageW(window->GetHWND(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  RECT after;
  GetWindowRect(window->GetHWND(), &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_GT(after.bottom - after.top, 0);
}

TEST_F(MainWindowBootstrapTest, MissingInstallPathWarnsAndQuits) {
  ::setenv("VELMORA_REGISTRY", (dir / "none.ini").c_str(), 1);
  SetMessageBoxHandler([](const MessageBoxRecord&) { return std::optional<int>(IDOK); });
  Deploy(nullptr);
  Open();
  ProcessEvents();
  const auto boxes = TakeMessageBoxLog();
  ASSERT_GE(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"加载信息失败.");
  EXPECT_EQ(boxes[0].caption, u"警告");
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 0);
}

}  // namespace
