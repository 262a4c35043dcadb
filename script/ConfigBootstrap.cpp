#include "script/ConfigBootstrap.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/ResultCode.h"
#include "base/CodePageText.h"
#include "base/JsonEscape.h"
#include "lang/Texts.h"
#include "net/WHttp.h"
#include "platform/Utf8Codec.h"
#include "script/tessaryLuaCommon.h"
#include "util/ConfigFileText.h"
#include "util/sysfile.h"

namespace {

constexpr char kConfigHeaderLines[] = "param: {\"ProID\":8}\r\nopt: 0\r\n";
constexpr char kConfigEndpointPath[] = "/msg/";
constexpr char kConfigRequestName[] = "DownloadCenter.xmlx";
constexpr char kServicePort[] = "9180";
constexpr auto kWindowRetryPause = std::chrono::milliseconds(50);

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

bool HasPort(const std::string& host) { return host.find(':') != std::string::npos; }

std::string WithServicePort(const std::string& host) {
  return host.empty() || HasPort(host) ? host : host + ":" + kServicePort;
}

std::string HttpUrl(const std::string& host, const std::string& path) {
  return host.empty() ? std::string() : "http://" + host + path;
}

bool ConfigFileExists() { return GetPathKind(configFilePath) == -1; }

}  // namespace

struct ConfigBootstrap::State {
  explicit State(Poster p) : poster(std::move(p)) {}

  Poster poster;
  std::mutex mutex;
  std::condition_variable changed;
  bool stopping = false;
  int workers = 0;
  std::vector<WHttp*> active;

  int configStatus = -1;
  bool skipConfigFile = true;
  bool configWorkerSet = false;  // from its start until its answer is taken
  bool configAnswerReady = false;
  bool serverListRunning = false;
  std::string serverListText;
  bool updateRunning = false;
  std::optional<std::string> fetchedNotice;

  // One request with a WHttp that Shutdown can stop. An empty URL is a host
  // that is not deployed.
  ResultCode Fetch(const std::string& url, std::string& response, bool post);
  // Posts once the window exists; gives up when the process is ending.
  void PostWhenWindowExists(unsigned message);
  void WorkerDone();
};

ResultCode ConfigBootstrap::State::Fetch(const std::string& url, std::string& response, bool post) {
  response.clear();
  if (url.empty()) return HttpUrlError;
  WHttp http;
  {
    std::lock_guard lock(mutex);
    if (stopping) return UnknownError;
    active.push_back(&http);
  }
  const ResultCode result = post ? http.Request(url.c_str(), "", 0, response, "POST", kConfigHeaderLines, "")
                                 : http.Get(url.c_str(), response, true, "");
  std::lock_guard lock(mutex);
  std::erase(active, &http);
  return result;
}

// The post is made under the lock, so once Shutdown took it no post is
// running or will start.
void ConfigBootstrap::State::PostWhenWindowExists(unsigned message) {
  std::unique_lock lock(mutex);
  while (!stopping) {
    if (poster && poster(message)) return;
    changed.wait_for(lock, kWindowRetryPause, [this] { return stopping; });
  }
}

void ConfigBootstrap::State::WorkerDone() {
  std::lock_guard lock(mutex);
  --workers;
  changed.notify_all();
}

namespace {

using State = ConfigBootstrap::State;

void RunConfigWorker(const std::shared_ptr<State>& state, const std::array<std::string, 4>& urls) {
  ResultCode result = HttpUrlError;
  std::string response;
  for (const std::string& url : urls) {
    result = state->Fetch(url, response, true);
    if (result == Success) break;
  }
  {
    std::lock_guard lock(state->mutex);
    state->configStatus = result;
    if (result == Success && response == "1") state->skipConfigFile = false;
    state->configAnswerReady = true;
  }
  state->PostWhenWindowExists(kConfigAnswerMessage);
}

void RunServerListWorker(const std::shared_ptr<State>& state, const std::string& url) {
  std::string response;
  const ResultCode result = state->Fetch(url, response, false);
  {
    std::lock_guard lock(state->mutex);
    state->serverListText = result == Success ? response.substr(0, kServerListLimit) : std::string();
  }
  // Still counted as running until the window took the list: a request in
  // between would only fetch the same list again.
  state->PostWhenWindowExists(kServerListMessage);
}

void RunUpdateWorker(const std::shared_ptr<State>& state, const std::string& url) {
  std::string response;
  const ResultCode result = state->Fetch(url, response, false);
  if (result == Success) {
    std::lock_guard lock(state->mutex);
    state->fetchedNotice = std::move(response);
  }
  state->PostWhenWindowExists(kUpdateNoticeMessage);
}

// Detached: the worker holds the state, never this object, so it may outlive it.
template <typename Body>
bool Launch(const std::shared_ptr<State>& state, Body body) {
  {
    std::lock_guard lock(state->mutex);
    if (state->stopping) return false;
    ++state->workers;
  }
  try {
    std::thread([state, body = std::move(body)] {
      body(state);
      state->WorkerDone();
    }).detach();
  } catch (const std::system_error&) {
    state->WorkerDone();
    return false;
  }
  return true;
}

}  // namespace

DeploymentHosts DeploymentHosts::FromEnvironment() {
  DeploymentHosts hosts;
  hosts.configHost = EnvValue("VELMORA_CONFIG_HOST");
  hosts.serviceHosts = {EnvValue("VELMORA_SERVICE_HOST1"), EnvValue("VELMORA_SERVICE_HOST2"),
                        EnvValue("VELMORA_SERVICE_HOST3")};
  return hosts;
}

// The URLs are built whole: a long deployment host name makes a long URL,
// never a cut one.
std::array<std::string, 4> DeploymentHosts::ConfigRequestUrls() const {
  const std::string path = std::string(kConfigEndpointPath) + kConfigRequestName;
  return {HttpUrl(serviceHosts[0], path), HttpUrl(WithServicePort(serviceHosts[0]), path),
          HttpUrl(WithServicePort(serviceHosts[1]), path), HttpUrl(WithServicePort(serviceHosts[2]), path)};
}

std::string DeploymentHosts::ServerListUrl() const { return HttpUrl(configHost, "/Config/VRN_DOWNLOASD_SERVER.txt"); }

std::string DeploymentHosts::UpdateNoticeUrl() const { return HttpUrl(configHost, "/update/updateinfo.txt"); }

namespace {

std::u16string Utf16FromUtf8(const std::string& utf8) {
  std::u16string wide;
  platform::AppendUtf8AsUtf16(utf8, wide);
  return wide;
}

}  // namespace

// Built in UTF-16 and escaped there: a translated name or a deployer's host
// may hold a quote, and a GBK trail byte may be a backslash.
std::string DeploymentHosts::DefaultServerList() const {
  const auto entry = [](std::u16string_view idField, const char* nameKey, const std::string& host) {
    return u"{" + std::u16string(idField) + u",\"name\":\"" + JsonEscaped(lang::Text16(nameKey)) +
           u"\",\"szPath\":\"http://" + JsonEscaped(Utf16FromUtf8(host)) + u"/\"}";
  };
  return Utf16ToAnsi(u"[" + entry(u"\"ID\":0", "host.server1", serviceHosts[1]) + u"," +
                     entry(u"\"id\":1", "host.server2", serviceHosts[2]) + u"]");
}

ConfigBootstrap::ConfigBootstrap(DeploymentHosts hosts, Poster poster)
    : hosts_(std::move(hosts)), state_(std::make_shared<State>(std::move(poster))) {}

ConfigBootstrap::~ConfigBootstrap() { Shutdown(); }

void ConfigBootstrap::Start(LuaCommon& script) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->configWorkerSet) return;
  }
  configAnswerHandled_ = false;
  if (ConfigFileExists()) {
    {
      std::lock_guard lock(state_->mutex);
      state_->configWorkerSet = true;
      state_->configAnswerReady = false;
    }
    const auto urls = hosts_.ConfigRequestUrls();
    if (!Launch(state_, [urls](const std::shared_ptr<State>& s) { RunConfigWorker(s, urls); })) {
      std::lock_guard lock(state_->mutex);
      state_->configWorkerSet = false;
    }
    return;
  }
  if (initSystemDone == 1) InitSystemIfDue(script);
}

void ConfigBootstrap::HandleConfigAnswer(LuaCommon& script) {
  if (configAnswerHandled_) return;
  bool readFile = false;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->configWorkerSet && !state_->configAnswerReady) return;
    state_->configWorkerSet = false;
    readFile = !state_->skipConfigFile;
  }
  configAnswerHandled_ = true;
  if (readFile && ConfigFileExists()) {
    if (const auto text = ReadConfigFileText(configFilePath)) {
      // The scripts get a C string: the text up to a zero byte it may hold.
      script.CallScriptText("SetDownloacCenterConfig", text->c_str());
    }
  }
  if (initSystemDone == 0) {
    initSystemDone = 1;
    script.CallScript("InitSystem");
  }
  script.CallScriptInt("SetHttpConfigStatus", ConfigStatus());
}

void ConfigBootstrap::InitSystemIfDue(LuaCommon& script) {
  SetConfigStatus(0);
  if (initSystemDone == 0) {
    initSystemDone = 1;
    script.CallScript("InitSystem");
  }
  script.CallScriptInt("SetHttpConfigStatus", ConfigStatus());
}

void ConfigBootstrap::SetConfigStatus(int status) {
  std::lock_guard lock(state_->mutex);
  state_->configStatus = status;
}

int ConfigBootstrap::ConfigStatus() const {
  std::lock_guard lock(state_->mutex);
  return state_->configStatus;
}

bool ConfigBootstrap::ServerListDelivered() const { return serverListDelivered_; }

bool ConfigBootstrap::StartServerListFetch() {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->serverListRunning) return false;
    state_->serverListRunning = true;
  }
  const std::string url = hosts_.ServerListUrl();
  if (Launch(state_, [url](const std::shared_ptr<State>& s) { RunServerListWorker(s, url); })) return true;
  std::lock_guard lock(state_->mutex);
  state_->serverListRunning = false;
  return false;
}

void ConfigBootstrap::DeliverServerList(LuaCommon& script) {
  std::string list = hosts_.DefaultServerList();
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->serverListText.empty()) list = state_->serverListText;
    state_->serverListRunning = false;
  }
  serverListDelivered_ = true;
  script.CallScriptText("InitThreadPathList", list.c_str());
}

bool ConfigBootstrap::StartUpdateNoticeFetch() {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->updateRunning) return false;
    state_->updateRunning = true;
  }
  const std::string url = hosts_.UpdateNoticeUrl();
  if (Launch(state_, [url](const std::shared_ptr<State>& s) { RunUpdateWorker(s, url); })) return true;
  std::lock_guard lock(state_->mutex);
  state_->updateRunning = false;
  return false;
}

void ConfigBootstrap::TakeUpdateNotice(LuaCommon& script) {
  std::lock_guard lock(state_->mutex);
  state_->updateRunning = false;
  if (!state_->fetchedNotice) return;
  script.updateInfoText = std::move(*state_->fetchedNotice);
  state_->fetchedNotice.reset();
}

void ConfigBootstrap::Shutdown(std::chrono::milliseconds wait) {
  std::unique_lock lock(state_->mutex);
  if (state_->stopping) return;  // waited once already
  state_->stopping = true;
  for (WHttp* http : state_->active) http->RequestStop();
  state_->changed.notify_all();
  state_->changed.wait_for(lock, wait, [this] { return state_->workers == 0; });
}

bool ConfigBootstrap::WaitIdle(std::chrono::milliseconds wait) {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, wait, [this] { return state_->workers == 0; });
}
