#include "net/WServerConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "net/WConnectTunnel.h"
#include "net/WTcpConnect.h"

namespace {

constexpr int kCloseWaitMs = 250;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string BareHost(const std::string& host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

bool Retriable(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

WServerConnection::~WServerConnection() { Close(); }

ResultCode WServerConnection::Fail(const std::string& why) {
  errorText_ = why;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  return NetConnectError;
}

ResultCode WServerConnection::ConnectSocket(const WServerTarget& target, const WProxyChoice& proxy,
                                            const WDeadline& deadline, const StopCheck& stop) {
  std::string why;
  if (proxy.direct) {
    fd_ = ConnectTcp(target.host, target.port, deadline, stop, why);
    if (fd_ < 0) return Fail("could not connect to " + HostPortText(BareHost(target.host), target.port) + ": " + why);
    return Success;
  }
  proxyEndpoint_ = proxy.proxy.Endpoint();
  fd_ = ConnectTcp(proxy.proxy.host, proxy.proxy.port, deadline, stop, why);
  if (fd_ < 0) return Fail("could not connect to proxy " + proxyEndpoint_ + " (from " + proxy.source + "): " + why);
  return Success;
}

ResultCode WServerConnection::Open(const WServerTarget& target, const WProxyChoice& proxy, int timeoutMs,
                                   const StopCheck& stop) {
  if (fd_ >= 0 || tls_) return Fail("the connection was already opened");
  std::string scheme = Lower(target.scheme);
  if (scheme != "http" && scheme != "https") return Fail("the scheme \"" + target.scheme + "\" is not supported");
  if (BareHost(target.host).empty() || target.port == 0) return Fail("there is no host and port to connect to");
  if (!proxy.error.empty()) return Fail(proxy.error);
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
    if (tunnel.code != Success) return Fail(tunnel.errorText);
  }
  tls_ = std::make_unique<WTlsConnection>(fd_, host, WTlsOptions{.insecure = target.insecure, .port = target.port});
  if (tls_->Handshake(deadline.RemainingMs(), stop) != Success) return Fail(tls_->errorText());
  return Success;
}

ResultCode WServerConnection::Open(const WServerTarget& target, int timeoutMs, const StopCheck& stop) {
  return Open(target, WProxySettings::ChooseFor(Lower(target.scheme), BareHost(target.host), target.port), timeoutMs,
              stop);
}

int WServerConnection::ReadPlain(char* buffer, size_t size, int timeoutMs) {
  WDeadline deadline(timeoutMs);
  for (;;) {
    ssize_t got = recv(fd_, buffer, size, MSG_DONTWAIT);
    if (got >= 0) return static_cast<int>(got);
    if (!Retriable(errno)) break;
    WaitOutcome waited = WaitSocket(fd_, POLLIN, deadline, {});
    if (waited == WaitOutcome::TimedOut) return kTimedOut;
    if (waited != WaitOutcome::Ready) break;
  }
  errorText_ = std::string("the connection broke: ") + std::strerror(errno);
  return kError;
}

int WServerConnection::WritePlain(const char* data, size_t size, int timeoutMs) {
  WDeadline deadline(timeoutMs);
  for (;;) {
    ssize_t sent = send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) return static_cast<int>(sent);
    if (sent < 0 && !Retriable(errno)) break;
    WaitOutcome waited = WaitSocket(fd_, POLLOUT, deadline, {});
    if (waited == WaitOutcome::TimedOut) return kTimedOut;
    if (waited != WaitOutcome::Ready) break;
  }
  errorText_ = std::string("sending failed: ") + std::strerror(errno);
  return kError;
}

int WServerConnection::Read(char* buffer, size_t size, int timeoutMs) {
  if (fd_ < 0 || !buffer || size == 0) {
    errorText_ = "reading from a connection that is not open";
    return kError;
  }
  if (!tls_) return ReadPlain(buffer, std::min<size_t>(size, 1 << 30), timeoutMs);
  int got = tls_->Read(buffer, size, timeoutMs);
  if (got == kError) errorText_ = tls_->errorText();
  return got;
}

int WServerConnection::Write(const char* data, size_t size, int timeoutMs) {
  if (fd_ < 0 || !data || size == 0) {
    errorText_ = "writing to a connection that is not open";
    return kError;
  }
  if (!tls_) return WritePlain(data, std::min<size_t>(size, 1 << 30), timeoutMs);
  int sent = tls_->Write(data, size, timeoutMs);
  if (sent == kError) errorText_ = tls_->errorText();
  return sent;
}

ResultCode WServerConnection::WriteAll(const char* data, size_t size, int timeoutMs, const StopCheck& stop) {
  WDeadline deadline(timeoutMs);
  for (size_t done = 0; done < size;) {
    int sent = Write(data + done, size - done, std::min(deadline.RemainingMs(), kSliceMs));
    if (sent == kError) return NetSendError;
    if (sent > 0) done += static_cast<size_t>(sent);
    if (sent == kTimedOut && deadline.Passed()) {
      errorText_ = "the server took no data in time";
      return NetSendError;
    }
    if (done < size && stop && stop()) {
      errorText_ = "stopped while sending";
      return NetSendError;
    }
  }
  return Success;
}

void WServerConnection::Close() {
  if (fd_ < 0) return;
  if (tls_ && tls_->established()) tls_->Shutdown(kCloseWaitMs);
  close(fd_);
  fd_ = -1;
}
