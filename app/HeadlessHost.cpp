#include "app/HeadlessHost.h"

#include <csignal>
#include <chrono>
#include <cstdio>
#include <thread>

#include "rpc/RpcScriptLibrary.h"
#include "script/tessaryLuaCommon.h"

namespace {

constexpr int kTimerId = 1;
constexpr auto kTick = std::chrono::seconds(1);
// How long a wait lasts at most, so a signal is seen within it.
constexpr int kWaitSliceMs = 200;

volatile std::sig_atomic_t quitRequested = 0;
volatile std::sig_atomic_t reloadRequested = 0;

void OnQuitSignal(int) { quitRequested = 1; }
void OnReloadSignal(int) { reloadRequested = 1; }

void InstallSignals() {
  struct sigaction quit {};
  quit.sa_handler = OnQuitSignal;
  sigemptyset(&quit.sa_mask);
  sigaction(SIGTERM, &quit, nullptr);
  sigaction(SIGINT, &quit, nullptr);
  struct sigaction reload {};
  reload.sa_handler = OnReloadSignal;
  sigemptyset(&reload.sa_mask);
  sigaction(SIGHUP, &reload, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

// The scripts read the command line's choices from the `headless` table;
// its presence alone tells them there is no window.
void PublishOptions(lua_State* L, const HeadlessOptions& options) {
  lua_createtable(L, 0, 5);
  if (!options.listen.empty()) {
    lua_pushstring(L, options.listen.c_str());
    lua_setfield(L, -2, "listen");
  }
  if (!options.secret.empty()) {
    lua_pushstring(L, options.secret.c_str());
    lua_setfield(L, -2, "secret");
  }
  lua_createtable(L, static_cast<int>(options.allowDirs.size()), 0);
  for (std::size_t i = 0; i < options.allowDirs.size(); ++i) {
    lua_pushstring(L, options.allowDirs[i].c_str());
    lua_rawseti(L, -2, static_cast<int>(i + 1));
  }
  lua_setfield(L, -2, "allowDirs");
  lua_pushboolean(L, options.printSecret);
  lua_setfield(L, -2, "printSecret");
  lua_setfield(L, LUA_GLOBALSINDEX, "headless");
}

void Loop(LuaCommon& host) {
  lua_State* L = host.State();
  auto nextTick = std::chrono::steady_clock::now() + kTick;
  while (!quitRequested) {
    if (reloadRequested) {
      reloadRequested = 0;
      host.CallScript("ReloadSettings");
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextTick) {
      host.CallScriptInt("OnTimer", kTimerId);
      nextTick = now + kTick;
      continue;
    }
    const int untilTick =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - now).count()) + 1;
    const int slice = untilTick < kWaitSliceMs ? untilTick : kWaitSliceMs;
    if (WaitForScriptRpcCalls(L, slice)) {
      host.CallScript("OnRemoteCalls");
    } else if (!ScriptRpcServerRunning(L)) {
      // No server: nothing to wake for but the tick and signals.
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    }
  }
}

}  // namespace

int RunHeadless(const HeadlessOptions& options) {
  InstallSignals();
  LuaCommon host;
  if (!host.State()) {
    std::fprintf(stderr, "velmora: cannot create the script interpreter\n");
    return 1;
  }
  PublishOptions(host.State(), options);
  if (host.LoadMainScript(nullptr) != 0) {
    std::fprintf(stderr, "velmora: the scripts in ext/ could not be loaded\n");
    return 1;
  }
  if (options.printSecret) {
    host.CallScript("QuitControl");
    return 0;
  }
  // Without its server the program could not be reached at all.
  if (!ScriptRpcServerRunning(host.State())) {
    host.CallScript("QuitControl");
    return 1;
  }
  host.CallScript("InitSystem");
  Loop(host);
  // Records where each task stands ("queued" for what was moving), then
  // closes the task database.
  host.CallScript("QuitSystem");
  host.CallScript("QuitControl");
  return 0;
}
