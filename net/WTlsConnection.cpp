#include "net/WTlsConnection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "net/WTcpConnect.h"
#include "net/WTlsSessionCache.h"
#include "net/WTlsSocketBio.h"
#include "platform/ErrorText.h"
#include "platform/Socket.h"

namespace {

// The name certificates are checked against: no brackets, no root dot.
std::string CertificateHost(const std::string& written) {
  std::string host = BareHost(written);
  if (!host.empty() && host.back() == '.') host.pop_back();
  return host;
}

bool IsAddress(const std::string& host) {
  return !platform::ParseIpAddress(host).empty();
}

bool Printable(const std::string& text) {
  for (unsigned char c : text)
    if (c <= 0x20 || c >= 0x7f) return false;
  return !text.empty();
}

bool SetNonBlocking(int fd) { return platform::SetBlocking(fd, false) == 0; }

std::string SecondsText(int ms) {
  char text[32];
  if (ms % 1000 == 0)
    std::snprintf(text, sizeof text, "%d s", ms / 1000);
  else
    std::snprintf(text, sizeof text, "%.1f s", ms / 1000.0);
  return text;
}

platform::SocketWant EventsFor(int kind) {
  return kind == SSL_ERROR_WANT_WRITE ? platform::SocketWant::Write : platform::SocketWant::Read;
}

bool Wants(int kind) { return kind == SSL_ERROR_WANT_READ || kind == SSL_ERROR_WANT_WRITE; }

int Clamped(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

}  // namespace

WTlsConnection::WTlsConnection(int fd, std::string host, WTlsOptions options)
    : fd_(fd), host_(CertificateHost(host)), options_(options), ssl_(nullptr, SSL_free) {}

// The SSL object frees its socket BIO; the socket itself stays open.
WTlsConnection::~WTlsConnection() {
  // OpenSSL spoils the session of a connection freed before both closing
  // alerts were sent; one that merely ended without a fault (or was left
  // by its caller) keeps its session for resumption.
  if (state_ == State::Open || state_ == State::PeerClosed)
    SSL_set_shutdown(ssl_.get(), SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
}

int WTlsConnection::VerifyCallback(int preverified, X509_STORE_CTX* store) {
  auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* self = ssl ? static_cast<WTlsConnection*>(SSL_get_app_data(ssl)) : nullptr;
  if (!self) return preverified;
  if (!preverified && self->fault_.error == 0) {
    self->fault_ = ReadCertificateFault(store);
    self->certificateProblem_ = DescribeCertificateFault(self->fault_, self->host_);
  }
  return self->options_.insecure ? 1 : preverified;
}

bool WTlsConnection::NameTheHost(bool isAddress) {
  SSL* ssl = ssl_.get();
  if (isAddress) return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host_.c_str()) == 1;
  SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  return SSL_set_tlsext_host_name(ssl, host_.c_str()) == 1 && SSL_set1_host(ssl, host_.c_str()) == 1;
}

bool WTlsConnection::Prepare() {
  std::string error;
  if (fd_ < 0) return Refuse("there is no connected socket");
  if (!Printable(host_)) return Refuse("there is no valid host name to check the certificate against");
  context_ = AcquireTlsClientContext(error);
  if (!context_) return Refuse(error);
  ssl_.reset(SSL_new(context_.get()));
  if (!ssl_) return Refuse("the TLS library could not start (out of memory?)");
  BIO* bio = NewTlsSocketBio(fd_);
  if (!bio || !SetNonBlocking(fd_)) {
    BIO_free(bio);
    return Refuse("the socket could not be prepared for TLS");
  }
  SSL_set_bio(ssl_.get(), bio, bio);
  SSL_set_app_data(ssl_.get(), this);
  SSL_set_verify(ssl_.get(), options_.insecure ? SSL_VERIFY_NONE : SSL_VERIFY_PEER, VerifyCallback);
  if (!NameTheHost(IsAddress(host_))) return Refuse("the host name cannot be used for TLS");
  if (options_.port != 0) {
    sessionKey_ = WTlsSessionCache::Key(context_.get(), host_, options_.port, options_.insecure);
    WTlsSessionCache::Attach(ssl_.get(), &sessionKey_);
    WTlsSessionCache::Offer(sessionKey_, ssl_.get());
  }
  return true;
}

bool WTlsConnection::Refuse(const std::string& why) {
  FailHandshake(why);
  return false;
}

ResultCode WTlsConnection::FailHandshake(const std::string& why, FailureCause cause) {
  ERR_clear_error();
  cause_ = cause;
  if (!sessionKey_.empty()) WTlsSessionCache::Forget(sessionKey_);
  state_ = State::Failed;
  errorText_ = "TLS with " + host_ + " failed: " + why;
  return NetConnectError;
}

std::string WTlsConnection::HandshakeFailure(int kind) {
  int systemError = errno;
  if (CertificateRefused()) return certificateProblem_;
  return DescribeHandshakeError(ERR_peek_error(), kind, systemError);
}

ResultCode WTlsConnection::Handshake(int timeoutMs, const StopCheck& stop) {
  if (state_ != State::New) {
    // A second call must not spoil the connection the first one made.
    errorText_ = "TLS with " + host_ + ": the handshake was already run on this connection";
    return NetConnectError;
  }
  if (!Prepare()) return NetConnectError;
  WDeadline deadline(timeoutMs);
  for (;;) {
    ERR_clear_error();
    int result = SSL_connect(ssl_.get());
    if (result == 1) {
      state_ = State::Open;
      return Success;
    }
    int kind = SSL_get_error(ssl_.get(), result);
    if (!Wants(kind)) return FailHandshake(HandshakeFailure(kind), CertificateRefused() ? FailureCause::TlsCertificate
                                                                                         : FailureCause::Tls);
    switch (WaitSocket(fd_, EventsFor(kind), deadline, stop)) {
      case WaitOutcome::Ready:
        break;
      case WaitOutcome::TimedOut:
        return FailHandshake("the server did not complete the handshake within " + SecondsText(timeoutMs),
                             FailureCause::Timeout);
      case WaitOutcome::Stopped:
        return FailHandshake("stopped before the handshake was complete", FailureCause::Timeout);
      case WaitOutcome::Failed:
        return FailHandshake(std::string("waiting on the socket failed: ") + platform::ErrorText(errno));
    }
  }
}

int WTlsConnection::Fail(const std::string& why) {
  ERR_clear_error();
  state_ = State::Failed;
  errorText_ = "TLS with " + host_ + ": " + why;
  return kError;
}

int WTlsConnection::ReadFailed(int kind) {
  int systemError = errno;
  unsigned long queued = ERR_peek_error();
  if (kind == SSL_ERROR_ZERO_RETURN) {
    state_ = State::PeerClosed;
    return 0;
  }
  bool bareClose = (kind == SSL_ERROR_SSL && ERR_GET_REASON(queued) == SSL_R_UNEXPECTED_EOF_WHILE_READING) ||
                   (kind == SSL_ERROR_SYSCALL && queued == 0 && systemError == 0);
  if (bareClose) {
    ERR_clear_error();
    closedWithoutNotify_ = true;
    state_ = State::Done;
    return 0;
  }
  if (kind == SSL_ERROR_SYSCALL) return Fail(std::string("the connection broke: ") + platform::ErrorText(systemError));
  const char* reason = queued ? ERR_reason_error_string(queued) : nullptr;
  return Fail(std::string("the encrypted stream is damaged: ") + (reason ? reason : "no reason given"));
}

int WTlsConnection::Read(char* buffer, size_t size, int timeoutMs) {
  if (state_ == State::PeerClosed || (state_ == State::Done && closedWithoutNotify_)) return 0;
  if (state_ != State::Open) return Fail("reading from a connection that is not open");
  if (!buffer || size == 0) return Fail("reading into an empty buffer");
  WDeadline deadline(timeoutMs);
  for (;;) {
    ERR_clear_error();
    size_t got = 0;
    int result = SSL_read_ex(ssl_.get(), buffer, static_cast<size_t>(Clamped(size)), &got);
    if (result == 1) return static_cast<int>(got);
    int kind = SSL_get_error(ssl_.get(), result);
    if (!Wants(kind)) return ReadFailed(kind);
    WaitOutcome waited = WaitSocket(fd_, EventsFor(kind), deadline, {});
    if (waited == WaitOutcome::TimedOut) return kTimedOut;
    if (waited != WaitOutcome::Ready) return Fail(std::string("waiting on the socket failed: ") + platform::ErrorText(errno));
  }
}

int WTlsConnection::Write(const char* data, size_t size, int timeoutMs) {
  if (state_ != State::Open && state_ != State::PeerClosed) return Fail("writing to a connection that is not open");
  if (!data || size == 0) return Fail("writing nothing");
  WDeadline deadline(timeoutMs);
  for (;;) {
    ERR_clear_error();
    size_t sent = 0;
    int result = SSL_write_ex(ssl_.get(), data, static_cast<size_t>(Clamped(size)), &sent);
    if (result == 1) return static_cast<int>(sent);
    int kind = SSL_get_error(ssl_.get(), result);
    if (!Wants(kind)) {
      int systemError = errno;
      if (kind == SSL_ERROR_SYSCALL) return Fail(std::string("sending failed: ") + platform::ErrorText(systemError));
      return Fail("sending failed: " + DescribeHandshakeError(ERR_peek_error(), kind, systemError));
    }
    WaitOutcome waited = WaitSocket(fd_, EventsFor(kind), deadline, {});
    if (waited == WaitOutcome::TimedOut) return kTimedOut;
    if (waited != WaitOutcome::Ready) return Fail(std::string("waiting on the socket failed: ") + platform::ErrorText(errno));
  }
}

ResultCode WTlsConnection::WriteAll(const char* data, size_t size, int timeoutMs, const StopCheck& stop) {
  WDeadline deadline(timeoutMs);
  size_t done = 0;
  while (done < size) {
    int sent = Write(data + done, size - done, std::min(deadline.RemainingMs(), kWaitSliceMs));
    if (sent == kError) return NetSendError;
    if (sent > 0) done += static_cast<size_t>(sent);
    std::string why;
    if (sent == kTimedOut && deadline.Passed())
      why = "the server took no data for " + SecondsText(timeoutMs);
    else if (done < size && stop && stop())
      why = "stopped while sending";
    if (!why.empty()) {
      Fail(why);
      return NetSendError;
    }
  }
  return Success;
}

bool WTlsConnection::Shutdown(int timeoutMs) {
  if (state_ == State::Done) return true;
  if (state_ != State::Open && state_ != State::PeerClosed) return false;
  WDeadline deadline(timeoutMs);
  for (;;) {
    ERR_clear_error();
    int result = SSL_shutdown(ssl_.get());
    if (result >= 0) {
      state_ = State::Done;
      return true;
    }
    int kind = SSL_get_error(ssl_.get(), result);
    if (!Wants(kind) || WaitSocket(fd_, EventsFor(kind), deadline, {}) != WaitOutcome::Ready) {
      ERR_clear_error();
      state_ = State::Failed;
      return false;
    }
  }
}

std::string WTlsConnection::protocolVersion() const {
  return state_ == State::New || state_ == State::Failed ? std::string() : SSL_get_version(ssl_.get());
}

bool WTlsConnection::resumed() const {
  return state_ != State::New && state_ != State::Failed && SSL_session_reused(ssl_.get()) == 1;
}

std::string WTlsConnection::cipherName() const {
  if (state_ == State::New || state_ == State::Failed) return {};
  const char* name = SSL_get_cipher_name(ssl_.get());
  return name ? name : "";
}
