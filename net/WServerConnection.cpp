#include "net/WServerConnection.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "net/WConnectTunnel.h"
#include "net/WTcpConnect.h"
#include "platform/ErrorText.h"
#include "platform/SocketIo.h"

namespace {

constexpr int kCloseWaitMs = 250;
constexpr size_t kGatherMinimum = 16 * 1024;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool Retriable(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

WServerConnection::~WServerConnection() { Close(); }

ResultCode WServerConnection::Fail(FailureCause cause, const std::string& why) {
  failure_ = {cause, why};
  if (fd_ >= 0) platform::CloseSocket(fd_);
  fd_ = -1;
  return NetConnectError;
}

int WServerConnection::ConnectTo(const std::string& host, uint16_t port, const WServerTarget& target,
                                 const WDeadline& deadline, const StopCheck& stop, Failure& failure) {
  return ConnectTcp(host, port, deadline, stop, failure, TcpConnectOptions{target.receiveBufferBytes});
}

ResultCode WServerConnection::ConnectSocket(const WServerTarget& target, const WProxyChoice& proxy,
                                            const WDeadline& deadline, const StopCheck& stop) {
  Failure why;
  if (proxy.direct) {
    fd_ = ConnectTo(target.host, target.port, target, deadline, stop, why);
    if (fd_ < 0)
      return Fail(why.cause, "could not connect to " + HostPortText(BareHost(target.host), target.port) + ": " +
                                 why.message);
    return Success;
  }
  proxyEndpoint_ = proxy.proxy.Endpoint();
  fd_ = ConnectTo(proxy.proxy.host, proxy.proxy.port, target, deadline, stop, why);
  // The proxy is what could not be used; how it failed is in the message.
  if (fd_ < 0)
    return Fail(FailureCause::Proxy,
                "could not connect to proxy " + proxyEndpoint_ + " (from " + proxy.source + "): " + why.message);
  return Success;
}

ResultCode WServerConnection::Open(const WServerTarget& target, const WProxyChoice& proxy, int timeoutMs,
                                   const StopCheck& stop) {
  if (fd_ >= 0 || tls_) return Fail(FailureCause::Internal, "the connection was already opened");
  std::string scheme = Lower(target.scheme);
  if (scheme != "http" && scheme != "https")
    return Fail(FailureCause::Unsupported, "the scheme \"" + target.scheme + "\" is not supported");
  if (BareHost(target.host).empty() || target.port == 0)
    return Fail(FailureCause::BadInput, "there is no host and port to connect to");
  if (!proxy.error.empty()) return Fail(FailureCause::Proxy, proxy.error);
  WDeadline deadline(timeoutMs);
  if (ConnectSocket(target, proxy, deadline, stop) != Success) return NetConnectError;
  std::string host = BareHost(target.host);
  if (scheme == "http") {
    forwards_ = !proxy.direct;
    if (forwards_) proxyAuthorization_ = proxy.proxy.AuthorizationValue();
    return Success;
  }
  if (!proxy.direct) {
    WTunnelResult tunnel = WConnectTunnel::Open(fd_, proxy.proxy, host, target.port, deadline.RemainingMs(), stop);
    if (tunnel.code != Success) return Fail(tunnel.cause, tunnel.errorText);
  }
  tls_ = std::make_unique<WTlsConnection>(fd_, host, WTlsOptions{.insecure = target.insecure, .port = target.port});
  if (tls_->Handshake(deadline.RemainingMs(), stop) != Success) return Fail(tls_->handshakeCause(), tls_->errorText());
  return Success;
}

ResultCode WServerConnection::Open(const WServerTarget& target, int timeoutMs, const StopCheck& stop) {
  return Open(target, WProxySettings::ChooseFor(Lower(target.scheme), BareHost(target.host), target.port), timeoutMs,
              stop);
}

int WServerConnection::ReadPlain(char* buffer, size_t size, int timeoutMs) {
  WDeadline deadline(timeoutMs);
  for (;;) {
    long got = platform::ReceiveSome(fd_, buffer, size);
    if (got >= 0) return static_cast<int>(got);
    if (!Retriable(errno)) break;
    WaitOutcome waited = WaitSocket(fd_, platform::SocketWant::Read, deadline, {});
    if (waited == WaitOutcome::TimedOut) return kTimedOut;
    if (waited != WaitOutcome::Ready) break;
  }
  failure_ = {FailureCause::Refused, std::string("the connection broke: ") + platform::ErrorText(errno)};
  return kError;
}

int WServerConnection::WritePlain(const char* data, size_t size, int timeoutMs) {
  WDeadline deadline(timeoutMs);
  for (;;) {
    long sent = platform::SendSome(fd_, data, size);
    if (sent > 0) return static_cast<int>(sent);
    if (sent < 0 && !Retriable(errno)) break;
    WaitOutcome waited = WaitSocket(fd_, platform::SocketWant::Write, deadline, {});
    if (waited == WaitOutcome::TimedOut) return kTimedOut;
    if (waited != WaitOutcome::Ready) break;
  }
  failure_ = {FailureCause::Refused, std::string("sending failed: ") + platform::ErrorText(errno)};
  return kError;
}

int WServerConnection::Read(char* buffer, size_t size, int timeoutMs) {
  if (fd_ < 0 || !buffer || size == 0) {
    failure_ = {FailureCause::Internal, "reading from a connection that is not open"};
    return kError;
  }
  if (!tls_) return ReadPlain(buffer, std::min<size_t>(size, 1 << 30), timeoutMs);
  int got = tls_->Read(buffer, size, timeoutMs);
  if (got == kError) failure_ = {FailureCause::Tls, tls_->errorText()};
  return got;
}

long WServerConnection::Receive(char* buffer, size_t size, int timeoutMs) {
  int got = Read(buffer, size, timeoutMs);
  if (got <= 0 || !tls_) return got;
  // Gathering saves the caller a file write and a limiter round per record.
  size_t total = static_cast<size_t>(got);
  while (got > 0 && size - total >= kGatherMinimum) {
    got = tls_->Read(buffer + total, size - total, 0);
    if (got > 0) total += static_cast<size_t>(got);
  }
  return static_cast<long>(total);
}

int WServerConnection::Write(const char* data, size_t size, int timeoutMs) {
  if (fd_ < 0 || !data || size == 0) {
    failure_ = {FailureCause::Internal, "writing to a connection that is not open"};
    return kError;
  }
  if (!tls_) return WritePlain(data, std::min<size_t>(size, 1 << 30), timeoutMs);
  int sent = tls_->Write(data, size, timeoutMs);
  if (sent == kError) failure_ = {FailureCause::Tls, tls_->errorText()};
  return sent;
}

ResultCode WServerConnection::WriteAll(const char* data, size_t size, int timeoutMs, const StopCheck& stop) {
  WDeadline deadline(timeoutMs);
  for (size_t done = 0; done < size;) {
    int sent = Write(data + done, size - done, std::min(deadline.RemainingMs(), kWaitSliceMs));
    if (sent == kError) return NetSendError;
    if (sent > 0) done += static_cast<size_t>(sent);
    if (sent == kTimedOut && deadline.Passed()) {
      failure_ = {FailureCause::Timeout, "the server took no data in time"};
      return NetSendError;
    }
    if (done < size && stop && stop()) {
      failure_ = {FailureCause::Timeout, "stopped while sending"};
      return NetSendError;
    }
  }
  return Success;
}

void WServerConnection::Close() {
  if (fd_ < 0) return;
  if (tls_ && tls_->established()) tls_->Shutdown(kCloseWaitMs);
  platform::CloseSocket(fd_);
  fd_ = -1;
}
