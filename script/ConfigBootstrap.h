// The network configuration at start: whether the local configuration file
// may be used (a POST to the configuration service), the decrypted file
// itself, the list of download servers and, on request, the update notice.
//
// Each fetch runs on a worker thread of its own with its own WHttp. A worker
// writes its result into this object's shared state under its lock and then
// posts its message (2964, 2862, 2967) to the main window through the
// poster; the window thread takes the result while handling that message.
// Workers never call the scripts. At most one worker of each kind runs at a
// time.
//
// A worker that finishes before the main window exists asks again every
// 50 ms, and gives up once Shutdown ran. Shutdown (also run by the
// destructor) stops further posts and waits a short while for the workers;
// one still blocked in a connect keeps only the shared state alive and ends
// without posting.
//
// Every method except the workers' own belongs to the window thread.
#ifndef VELMORA_SCRIPT_CONFIGBOOTSTRAP_H
#define VELMORA_SCRIPT_CONFIGBOOTSTRAP_H

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class LuaCommon;

inline constexpr unsigned kConfigAnswerMessage = 2964;
inline constexpr unsigned kServerListMessage = 2862;
inline constexpr unsigned kUpdateNoticeMessage = 2967;

// The server list body kept; a longer body is cut here.
inline constexpr std::size_t kServerListLimit = 10239;

// Where the configuration host and the three service hosts live. A value is
// "host" or "host:port"; an empty one is not deployed, and every request to
// it fails at once (HttpUrlError) without touching the network.
struct DeploymentHosts {
  std::string configHost;
  std::array<std::string, 3> serviceHosts;

  // VELMORA_CONFIG_HOST and VELMORA_SERVICE_HOST1 to 3.
  static DeploymentHosts FromEnvironment();

  // The four configuration request URLs, in the order they are tried:
  // service host 1 at its port (80 unless given), service host 1, 2 and 3 at
  // port 9180 (or the port the value gives).
  std::array<std::string, 4> ConfigRequestUrls() const;
  std::string ServerListUrl() const;
  std::string UpdateNoticeUrl() const;
  // The built-in server list (ANSI text) naming service hosts 2 and 3.
  std::string DefaultServerList() const;
};

class ConfigBootstrap {
 public:
  // Posts `message` (wParam and lParam 0) to the main window of this process;
  // false while there is none. Called on worker threads.
  using Poster = std::function<bool(unsigned message)>;

  ConfigBootstrap(DeploymentHosts hosts, Poster poster);
  ~ConfigBootstrap();
  ConfigBootstrap(const ConfigBootstrap&) = delete;
  ConfigBootstrap& operator=(const ConfigBootstrap&) = delete;

  // Starts the configuration worker when dc-config.ini exists and none runs;
  // without the file, re-reports the status once InitSystem ran.
  void Start(LuaCommon& script);
  // Message 2964: hands the decrypted file to SetDownloacCenterConfig when
  // the service answered exactly "1", then InitSystem (once per process) and
  // SetHttpConfigStatus. A 2964 that arrives while the worker still asks is
  // left for the worker's own.
  void HandleConfigAnswer(LuaCommon& script);
  // Status 0, InitSystem when due, SetHttpConfigStatus(0).
  void InitSystemIfDue(LuaCommon& script);
  void SetConfigStatus(int status);
  int ConfigStatus() const;

  bool ServerListDelivered() const;
  // False (and nothing started) while a server-list fetch runs or its list
  // waits for DeliverServerList.
  bool StartServerListFetch();
  // Message 2862: the fetched list, or the built-in one, to InitThreadPathList.
  void DeliverServerList(LuaCommon& script);

  // False (and nothing started) while an update fetch runs or its notice
  // waits for TakeUpdateNotice.
  bool StartUpdateNoticeFetch();
  // Message 2967: a notice fetched since the last call becomes the host's
  // updateInfoText.
  void TakeUpdateNotice(LuaCommon& script);

  // Ends the posts and waits up to `wait` for the workers. Idempotent.
  void Shutdown(std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
  // True once no worker runs (tests).
  bool WaitIdle(std::chrono::milliseconds wait);

  struct State;

 private:
  DeploymentHosts hosts_;
  std::shared_ptr<State> state_;
  bool configAnswerHandled_ = false;
  bool serverListDelivered_ = false;
};

#endif
