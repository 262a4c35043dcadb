// The JSON-RPC server: listens on one address, reads HTTP POSTs and
// WebSocket messages on /jsonrpc, checks each call's secret (and slows
// down an address that keeps guessing), and hands the admitted calls to
// the main loop, which runs them with Serve() and never blocks the server.
// One thread of its own does all socket work; Serve, WaitForCalls and
// Notify are for the main loop (any one thread). Listening beyond loopback
// needs TLS (certificate and key) unless plain HTTP is explicitly allowed.
#ifndef VELMORA_RPC_RPCSERVER_H
#define VELMORA_RPC_RPCSERVER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/FailureCause.h"
#include "rpc/RpcExchange.h"

namespace rpc {

struct RpcServerOptions {
  std::string host = "127.0.0.1";
  uint16_t port = 6800;  // 0: any free port (tests)
  std::string secret;
  // Web pages of these origins may call (CORS, WebSocket); no others.
  std::vector<std::string> allowedOrigins;
  bool allowPlainBeyondLoopback = false;
  std::string certificateFile;
  std::string keyFile;
  std::size_t bodyCap = 1024 * 1024;
  std::size_t messageCap = 1024 * 1024;
  // Milliseconds on a steady clock; the throttle's time.
  std::function<int64_t()> clockMs;
  // Where refusals worth a look go (wrong secrets, refused origins).
  std::function<void(const std::string&)> log;
};

// Runs one call: fills the outcome from method and params.
using CallHandler = std::function<CallOutcome(const std::string& method, const nlohmann::json& params)>;

class RpcServer {
 public:
  explicit RpcServer(RpcServerOptions options);
  ~RpcServer();
  RpcServer(const RpcServer&) = delete;
  RpcServer& operator=(const RpcServer&) = delete;

  // Listens and starts the thread; a failure says why (BadInput for a
  // setting that is refused, Tls/TlsCertificate, Refused for the address).
  Failure Start();
  void Stop();
  uint16_t port() const;

  // Runs every waiting call through `handler`, in arrival order; how many ran.
  std::size_t Serve(const CallHandler& handler);
  // Waits up to `milliseconds` for calls to arrive; true when some wait.
  bool WaitForCalls(int milliseconds);
  // Sends a notification to every WebSocket client.
  void Notify(const std::string& method, const std::string& gid);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl;
};

}  // namespace rpc

#endif
