#include "script/ConfigBootstrap.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lang/Texts.h"
#include "util/ConfigEncryptor.h"
#include "script/tessaryLuaCommon.h"
#include "tests/net/support/LoopbackServer.h"
#include "tests/script/RecordedCalls.h"
#include "tests/support/Eventually.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::chrono_literals;

constexpr char kRecorder[] = R"lua(
calls = {}
local function rec(text) calls[#calls + 1] = text end
function InitSystem() rec("InitSystem") end
function SetHttpConfigStatus(s) rec("SetHttpConfigStatus:" .. s) end
function SetDownloacCenterConfig(t) rec("SetDownloacCenterConfig:" .. t) end
function InitThreadPathList(t) rec("InitThreadPathList:" .. t) end
)lua";

std::string Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Loopback(const LoopbackServer& server) { return "127.0.0.1:" + std::to_string(server.port()); }
std::string Closed() { return "127.0.0.1:" + std::to_string(UnusedLoopbackPort()); }

// Stands in for the main window: records what the workers post, and exists
// only once the test says so.
struct FakeWindow {
  std::mutex mutex;
  std::vector<unsigned> posted;
  std::atomic<bool> exists{true};
  // Held by every poster handed out: alone again once their holders are gone.
  std::shared_ptr<int> posters = std::make_shared<int>();

  ConfigBootstrap::Poster Poster() {
    return [this, held = posters](unsigned message) {
      if (!exists) return false;
      std::lock_guard lock(mutex);
      posted.push_back(message);
      return true;
    };
  }
  std::vector<unsigned> Posted() {
    std::lock_guard lock(mutex);
    return posted;
  }
};

class ConfigBootstrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initSystemDone = 0;
    UseConfigFile("\xEF\xBB\xBF" "abc");
    ASSERT_EQ(luaL_dostring(script.State(), kRecorder), 0);
  }
  void TearDown() override { std::memset(configFilePath, 0, sizeof configFilePath); }

  void UseConfigFile(const std::string& plain) {
    const std::string path = dir / "dc-config.ini";
    WriteFileBytes(path, EncryptConfigText(plain));
    std::memset(configFilePath, 0, sizeof configFilePath);
    std::memcpy(configFilePath, path.data(), path.size());
  }

  std::unique_ptr<ConfigBootstrap> Make(DeploymentHosts hosts) {
    return std::make_unique<ConfigBootstrap>(std::move(hosts), window.Poster());
  }

  std::vector<std::string> TakeCalls() { return TakeScriptCalls(script.State()); }

  TempDir dir;
  LuaCommon script;
  FakeWindow window;
};

TEST_F(ConfigBootstrapTest, ServiceSaying1HandsTheDecryptedFileOverOnceItsAnswerIsTaken) {
  LoopbackServer service(Reply(Ok("1")));
  auto bootstrap = Make({"", {Loopback(service), "", ""}});
  bootstrap->Start(script);
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  EXPECT_EQ(window.Posted(), std::vector<unsigned>{kConfigAnswerMessage});
  EXPECT_TRUE(TakeCalls().empty());  // nothing reaches the scripts from the worker
  bootstrap->HandleConfigAnswer(script);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"SetDownloacCenterConfig:abc", "InitSystem", "SetHttpConfigStatus:0"}));
  const std::string request = service.request(0);
  EXPECT_EQ(request.rfind("POST /msg/DownloadCenter.xmlx HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nparam: {\"ProID\":8}\r\nopt: 0\r\n"), std::string::npos) << request;
  // The same message again changes nothing.
  bootstrap->HandleConfigAnswer(script);
  EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(ConfigBootstrapTest, AnyOtherAnswerLeavesTheFileUnread) {
  for (const char* answer : {"1\r\n", "0", ""}) {
    initSystemDone = 0;
    LoopbackServer service(Reply(Ok(answer)));
    auto bootstrap = Make({"", {Loopback(service), "", ""}});
    bootstrap->Start(script);
    ASSERT_TRUE(bootstrap->WaitIdle(5s));
    bootstrap->HandleConfigAnswer(script);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"InitSystem", "SetHttpConfigStatus:0"})) << answer;
  }
}

TEST_F(ConfigBootstrapTest, AllFourEndpointsFailingReportTheLastResultAndStillInitialise) {
  auto bootstrap = Make({"", {Closed(), Closed(), Closed()}});
  bootstrap->Start(script);
  ASSERT_TRUE(bootstrap->WaitIdle(10s));
  bootstrap->HandleConfigAnswer(script);
  EXPECT_EQ(bootstrap->ConfigStatus(), 13);  // NetConnectError
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"InitSystem", "SetHttpConfigStatus:13"}));
}

TEST_F(ConfigBootstrapTest, EndpointsAreTriedInTheirOrderAndUndeployedHostsFailAtOnce) {
  const DeploymentHosts hosts{"cfg", {"one", "two:81", "three"}};
  const auto urls = hosts.ConfigRequestUrls();
  EXPECT_EQ(urls[0], "http://one/msg/DownloadCenter.xmlx");
  EXPECT_EQ(urls[1], "http://one:9180/msg/DownloadCenter.xmlx");
  EXPECT_EQ(urls[2], "http://two:81/msg/DownloadCenter.xmlx");
  EXPECT_EQ(urls[3], "http://three:9180/msg/DownloadCenter.xmlx");
  EXPECT_EQ(hosts.ServerListUrl(), "http://cfg/Config/VRN_DOWNLOASD_SERVER.txt");
  EXPECT_EQ(hosts.UpdateNoticeUrl(), "http://cfg/update/updateinfo.txt");

  // The second endpoint answers after the first failed.
  LoopbackServer service(Reply(Ok("1")));
  auto bootstrap = Make({"", {Closed(), Loopback(service), ""}});
  bootstrap->Start(script);
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  bootstrap->HandleConfigAnswer(script);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"SetDownloacCenterConfig:abc", "InitSystem", "SetHttpConfigStatus:0"}));

  auto undeployed = Make({});
  undeployed->Start(script);
  ASSERT_TRUE(undeployed->WaitIdle(1s));
  EXPECT_EQ(undeployed->ConfigStatus(), 20);  // HttpUrlError
}

TEST_F(ConfigBootstrapTest, RerunAsksAgainAndHandsTheFileOverWithoutASecondInitSystem) {
  LoopbackServer service(Reply(Ok("1")));
  auto bootstrap = Make({"", {Loopback(service), "", ""}});
  bootstrap->Start(script);
  // While the worker runs, a second start does nothing.
  bootstrap->Start(script);
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  bootstrap->HandleConfigAnswer(script);
  TakeCalls();
  bootstrap->Start(script);
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  bootstrap->HandleConfigAnswer(script);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"SetDownloacCenterConfig:abc", "SetHttpConfigStatus:0"}));
  EXPECT_EQ(service.connections(), 2u);
  EXPECT_EQ(window.Posted().size(), 2u);
}

TEST_F(ConfigBootstrapTest, AnAnswerMessageBeforeTheWorkerIsDoneIsLeftForTheWorkersOwn) {
  ScriptedReply slow{{"", Ok("1")}, 300, false};
  LoopbackServer service(slow);
  auto bootstrap = Make({"", {Loopback(service), "", ""}});
  bootstrap->Start(script);
  bootstrap->HandleConfigAnswer(script);
  EXPECT_TRUE(TakeCalls().empty());
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  bootstrap->HandleConfigAnswer(script);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"SetDownloacCenterConfig:abc", "InitSystem", "SetHttpConfigStatus:0"}));
}

TEST_F(ConfigBootstrapTest, WithoutTheFileNothingIsAskedAndALaterStartOnlyReportsTheStatus) {
  std::memset(configFilePath, 0, sizeof configFilePath);
  auto bootstrap = Make({});
  bootstrap->Start(script);
  EXPECT_TRUE(TakeCalls().empty());
  bootstrap->InitSystemIfDue(script);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"InitSystem", "SetHttpConfigStatus:0"}));
  bootstrap->Start(script);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"SetHttpConfigStatus:0"}));
  EXPECT_TRUE(window.Posted().empty());
}

TEST_F(ConfigBootstrapTest, ServerListIsTheFetchedOneOrTheBuiltInOne) {
  LoopbackServer config(Reply(Ok("[]")));
  auto fetched = Make({Loopback(config), {"", "", ""}});
  EXPECT_TRUE(fetched->StartServerListFetch());
  ASSERT_TRUE(fetched->WaitIdle(5s));
  EXPECT_FALSE(fetched->ServerListDelivered());
  fetched->DeliverServerList(script);
  EXPECT_TRUE(fetched->ServerListDelivered());
  EXPECT_EQ(config.request(0).rfind("GET /Config/VRN_DOWNLOASD_SERVER.txt HTTP/1.1\r\n", 0), 0u);

  auto failing = Make({Closed(), {"", "s2", "s3:8080"}});
  EXPECT_TRUE(failing->StartServerListFetch());
  ASSERT_TRUE(failing->WaitIdle(5s));
  failing->DeliverServerList(script);
  // "服务器一" and "服务器二" in GBK; "ID" in the first entry, "id" in the second.
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                             "InitThreadPathList:[]",
                             "InitThreadPathList:[{\"ID\":0,\"name\":\"\xB7\xFE\xCE\xF1\xC6\xF7\xD2\xBB\",\"szPath\":"
                             "\"http://s2/\"},{\"id\":1,\"name\":\"\xB7\xFE\xCE\xF1\xC6\xF7\xB6\xFE\",\"szPath\":"
                             "\"http://s3:8080/\"}]"}));
  EXPECT_EQ(window.Posted(), (std::vector<unsigned>{kServerListMessage, kServerListMessage}));
}

TEST_F(ConfigBootstrapTest, ALongServerListIsCutAtItsLimitAndALongDefaultIsPassedWhole) {
  const std::string body = "[" + std::string(20000, ' ') + "]";
  LoopbackServer config(Reply(Ok(body)));
  auto bootstrap = Make({Loopback(config), {"", std::string(300, 'h'), ""}});
  bootstrap->StartServerListFetch();
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  bootstrap->DeliverServerList(script);
  auto calls = TakeCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "InitThreadPathList:" + body.substr(0, kServerListLimit));
  EXPECT_NE(DeploymentHosts({"", {"", std::string(300, 'h'), ""}}).DefaultServerList().find(std::string(300, 'h')),
            std::string::npos);
}

TEST_F(ConfigBootstrapTest, TheDefaultServerNamesAreTranslatedAndEscaped) {
  TempDir dir;
  WriteFileBytes(dir / "en.txt", "[texts]\nhost.server1 = The \"first\"\nhost.server2 = Second\n");
  lang::ActivateLanguage(dir.path(), "en");
  const std::string list = DeploymentHosts({"", {"", "s2", "a\"b"}}).DefaultServerList();
  lang::ResetLanguageForTesting();
  EXPECT_EQ(list, "[{\"ID\":0,\"name\":\"The \\\"first\\\"\",\"szPath\":\"http://s2/\"},"
                  "{\"id\":1,\"name\":\"Second\",\"szPath\":\"http://a\\\"b/\"}]");
}

TEST_F(ConfigBootstrapTest, OneServerListFetchAtATime) {
  ScriptedReply slow{{"", Ok("[]")}, 300, false};
  LoopbackServer config(slow);
  auto bootstrap = Make({Loopback(config), {"", "", ""}});
  EXPECT_TRUE(bootstrap->StartServerListFetch());
  EXPECT_FALSE(bootstrap->StartServerListFetch());
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  EXPECT_EQ(config.connections(), 1u);
  // Fetched but not yet taken: a request now would fetch the same again.
  EXPECT_FALSE(bootstrap->StartServerListFetch());
  bootstrap->DeliverServerList(script);
  EXPECT_TRUE(bootstrap->StartServerListFetch());
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
}

TEST_F(ConfigBootstrapTest, UpdateNoticeReachesTheHostOnlyWhenItsMessageIsTaken) {
  LoopbackServer config(Reply(Ok("new version")));
  auto bootstrap = Make({Loopback(config), {"", "", ""}});
  EXPECT_TRUE(bootstrap->StartUpdateNoticeFetch());
  ASSERT_TRUE(bootstrap->WaitIdle(5s));
  EXPECT_TRUE(script.updateInfoText.empty());
  EXPECT_FALSE(bootstrap->StartUpdateNoticeFetch());  // its notice is not taken yet
  bootstrap->TakeUpdateNotice(script);
  EXPECT_EQ(script.updateInfoText, "new version");
  EXPECT_EQ(config.request(0).rfind("GET /update/updateinfo.txt HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(window.Posted(), std::vector<unsigned>{kUpdateNoticeMessage});

  // A failed fetch still posts, and leaves the text as it was.
  auto failing = Make({Closed(), {"", "", ""}});
  EXPECT_TRUE(failing->StartUpdateNoticeFetch());
  ASSERT_TRUE(failing->WaitIdle(5s));
  failing->TakeUpdateNotice(script);
  EXPECT_EQ(script.updateInfoText, "new version");
}

TEST_F(ConfigBootstrapTest, WorkersWaitForTheWindowAndGiveUpWhenTheProcessEnds) {
  window.exists = false;
  auto bootstrap = Make({});
  bootstrap->StartServerListFetch();
  EXPECT_FALSE(bootstrap->WaitIdle(200ms));  // still looking for the window
  window.exists = true;
  ASSERT_TRUE(bootstrap->WaitIdle(2s));
  EXPECT_EQ(window.Posted(), std::vector<unsigned>{kServerListMessage});

  window.exists = false;
  bootstrap->StartUpdateNoticeFetch();
  bootstrap->Shutdown(2s);
  EXPECT_TRUE(bootstrap->WaitIdle(0ms));
  window.exists = true;
  // Idle: no worker is left that could post.
  EXPECT_EQ(window.Posted(), std::vector<unsigned>{kServerListMessage});
  // After the end nothing new starts.
  EXPECT_FALSE(bootstrap->StartUpdateNoticeFetch());
}

TEST_F(ConfigBootstrapTest, AWorkerStillBlockedAtTheEndOutlivesTheBootstrapSafely) {
  ScriptedReply stalled{{""}, 0, true};
  auto config = std::make_unique<LoopbackServer>(stalled);
  {
    auto bootstrap = Make({Loopback(*config), {"", "", ""}});
    bootstrap->StartUpdateNoticeFetch();
    // Blocked once its request is in, on a server that never answers.
    ASSERT_TRUE(Eventually([&] { return !config->requests().empty(); }));
    bootstrap->Shutdown(std::chrono::milliseconds(50));
  }
  // The worker, blocked past the wait, keeps only the shared state alive and
  // ends (when the server lets go) without posting.
  config.reset();
  EXPECT_TRUE(Eventually([&] { return window.posters.use_count() == 1; })) << "the worker's state was released";
  EXPECT_TRUE(window.Posted().empty());
}

}  // namespace
