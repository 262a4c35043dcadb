// TLS and proxied connections through the network library's server
// connection. Direct plain HTTP keeps the engine's own TCP connection, which
// can size the receive buffer before connecting (a speed limit relies on it).
#include "dl/Connection.h"
#include "net/WProxySettings.h"
#include "net/WServerConnection.h"

namespace {

constexpr size_t kGatherMinimum = 16 * 1024;

class ServerConnection final : public Connection {
 public:
  explicit ServerConnection(std::unique_ptr<WServerConnection> server) : server_(std::move(server)) {}

  long Receive(char* buffer, size_t size, int waitMs) override {
    int got = server_->Read(buffer, size, waitMs);
    if (got == WServerConnection::kTimedOut) return kWaitedOut;
    if (got == WServerConnection::kError) {
      error_ = server_->errorText();
      return kFailed;
    }
    // TLS hands out one record (16 KiB at most) per read; gathering what is
    // already there saves a file write and a limiter round per record. A
    // close or failure met here shows again on the next call.
    size_t total = static_cast<size_t>(got);
    while (got > 0 && size - total >= kGatherMinimum) {
      got = server_->Read(buffer + total, size - total, 0);
      if (got > 0) total += static_cast<size_t>(got);
    }
    return static_cast<long>(total);
  }

  bool SendAll(std::string_view data, int totalWaitMs, const std::function<bool()>& cancelled) override {
    if (server_->WriteAll(data.data(), data.size(), totalWaitMs, cancelled) == Success) return true;
    error_ = server_->errorText();
    return false;
  }

  const std::string& errorText() const override { return error_; }
  bool forwardsThroughProxy() const override { return server_->forwardsThroughProxy(); }
  std::string proxyAuthorization() const override { return server_->proxyAuthorization(); }
  std::string proxyEndpoint() const override { return server_->proxyEndpoint(); }

 private:
  std::unique_ptr<WServerConnection> server_;
  std::string error_;
};

}  // namespace

std::unique_ptr<Connection> OpenConnection(const ConnectTarget& target, const std::function<bool()>& cancelled,
                                           std::string& error, bool& permanent) {
  permanent = false;
  WProxyChoice proxy = WProxySettings::ChooseFor(target.scheme, target.host, target.port);
  if (!proxy.error.empty()) {
    permanent = true;
    error = proxy.error;
    return nullptr;
  }
  if (proxy.direct && target.scheme == "http") return OpenTcpConnection(target, cancelled, error);
  auto server = std::make_unique<WServerConnection>();
  WServerTarget where{target.scheme, target.host, target.port};
  if (server->Open(where, proxy, target.timeoutMs, cancelled) != Success) {
    error = server->errorText();
    // A handshake that ran and failed says something about the server or
    // its certificate; trying again gives the same answer.
    // So does a proxy that wants other credentials.
    permanent = server->tls() != nullptr || error.find("refused CONNECT: 407") != std::string::npos;
    return nullptr;
  }
  return std::make_unique<ServerConnection>(std::move(server));
}
