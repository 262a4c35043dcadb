// Plain TCP over the platform's non-blocking socket steps.
#include <cerrno>

#include "dl/Connection.h"
#include "platform/ErrorText.h"
#include "platform/Socket.h"
#include "platform/SocketIo.h"

namespace {

constexpr int kSliceMs = 200;

class TcpConnection final : public Connection {
 public:
  explicit TcpConnection(int socket) : socket_(socket) {}
  ~TcpConnection() override { platform::CloseSocket(socket_); }

  long Receive(char* buffer, size_t size, int waitMs) override {
    // Read first and wait only when nothing is there: at full speed the
    // data is almost always waiting, and the wait costs a system call.
    long n = platform::ReceiveSome(socket_, buffer, size);
    if (n >= 0) return n;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
    int ready = platform::WaitReadableMs(socket_, waitMs);
    if (ready == 0) return kWaitedOut;
    if (ready < 0) return Fail(errno);
    n = platform::ReceiveSome(socket_, buffer, size);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kWaitedOut;
    return n < 0 ? Fail(errno) : n;
  }

  bool SendAll(std::string_view data, int totalWaitMs, const std::function<bool()>& cancelled) override {
    int waited = 0;
    while (!data.empty()) {
      if (cancelled && cancelled()) return error_ = "stopped", false;
      long n = platform::SendSome(socket_, data.data(), data.size());
      if (n > 0) {
        data.remove_prefix(static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno), false;
      if (waited >= totalWaitMs) return error_ = "sending the request timed out", false;
      platform::WaitWritableMs(socket_, kSliceMs);
      waited += kSliceMs;
    }
    return true;
  }

  const std::string& errorText() const override { return error_; }

 private:
  long Fail(int error) {
    error_ = platform::ErrorText(error);
    return kFailed;
  }

  int socket_;
  std::string error_;
};

std::string Where(const ConnectTarget& target) { return target.host + ":" + std::to_string(target.port); }

// Waits for the connect in slices; 0, or an errno (ETIMEDOUT, ECANCELED).
int FinishConnect(int socket, const ConnectTarget& target, const std::function<bool()>& cancelled) {
  for (int waited = 0; waited < target.timeoutMs; waited += kSliceMs) {
    if (cancelled && cancelled()) return ECANCELED;
    int ready = platform::WaitWritableMs(socket, kSliceMs);
    if (ready > 0) return platform::ConnectOutcome(socket);
    if (ready < 0) return errno;
  }
  return ETIMEDOUT;
}

}  // namespace

std::unique_ptr<Connection> OpenTcpConnection(const ConnectTarget& target, const std::function<bool()>& cancelled,
                                              std::string& error) {
  auto address = platform::ParseIpv4(target.host.c_str());
  if (!address) address = platform::ResolveIpv4(target.host.c_str());
  if (!address) {
    error = "cannot resolve host " + target.host;
    return nullptr;
  }
  int socket = platform::OpenNonBlockingStreamSocket();
  if (socket < 0) {
    error = "cannot open a socket: " + platform::ErrorText(errno);
    return nullptr;
  }
  if (target.receiveBufferBytes > 0) platform::SetReceiveBufferSize(socket, target.receiveBufferBytes);
  int started = platform::BeginConnectIpv4(socket, *address, target.port);
  int outcome = started == 0 ? 0 : started < 0 ? errno : FinishConnect(socket, target, cancelled);
  if (outcome != 0) {
    platform::CloseSocket(socket);
    error = outcome == ECANCELED ? std::string("stopped")
                                 : "cannot connect to " + Where(target) + ": " + platform::ErrorText(outcome);
    return nullptr;
  }
  return std::make_unique<TcpConnection>(socket);
}
