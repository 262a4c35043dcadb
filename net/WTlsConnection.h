// WTlsConnection: the client side of TLS over a socket that is already
// connected (straight to the server, or through a proxy's CONNECT tunnel).
// The handshake asks for TLS 1.2 or newer, names the host (SNI, for names,
// not addresses), checks the chain against the system's trust store plus
// VELMORA_CA_FILE, and checks that the certificate is for the host (names
// and IP addresses alike). Every wait is cut into short slices, so callers
// stop within a second.
//
// The socket stays its caller's: it is switched to non-blocking here and is
// never closed here; close it after this object is gone or shut down.
// Failures set errorText() in plain words; nothing throws.
// One thread uses an object at a time.
#ifndef VELMORA_NET_WTLSCONNECTION_H
#define VELMORA_NET_WTLSCONNECTION_H

#include <openssl/types.h>

#include <cstddef>
#include <memory>
#include <string>

#include "base/FailureCause.h"
#include "base/ResultCode.h"
#include "net/WSocketWait.h"
#include "net/WTlsClientContext.h"
#include "net/WTlsFailure.h"

struct WTlsOptions {
  // Accept any certificate on this one connection. Never a default: whoever
  // sets it must show it (insecure() reports it, and certificateProblem()
  // still says what the check would have refused).
  bool insecure = false;
  // The server's port: sessions are kept for host and port and resumed by
  // later connections to them (see WTlsSessionCache.h). 0: never resumed.
  unsigned port = 0;
};

class WTlsConnection {
 public:
  // Read and Write answer a count, or one of these.
  static constexpr int kError = -1;     // errorText() says why; the connection is finished
  static constexpr int kTimedOut = -2;  // nothing moved within the wait; try again

  // `host`: the name or address the certificate must be for, as in the URL
  // (IPv6 with or without brackets; a trailing dot is ignored).
  WTlsConnection(int fd, std::string host, WTlsOptions options = {});
  ~WTlsConnection();
  WTlsConnection(const WTlsConnection&) = delete;
  WTlsConnection& operator=(const WTlsConnection&) = delete;

  // The client handshake and the certificate checks, within `timeoutMs` in
  // all, asking `stop` between slices. Success, or NetConnectError with
  // errorText() ("TLS with localhost failed: the server's certificate has
  // expired: ..."). Call once.
  ResultCode Handshake(int timeoutMs, const StopCheck& stop = {});

  // Up to `size` bytes, waiting at most `timeoutMs` for the first: the
  // count, 0 once the peer has closed (closedWithoutNotify() tells whether
  // it ended TLS properly or just dropped TCP, which can hide a cut), or
  // kTimedOut, or kError.
  int Read(char* buffer, size_t size, int timeoutMs);
  // Some of `data` (at least one byte), waiting at most `timeoutMs`: the
  // count, kTimedOut or kError. After kTimedOut, offer the same bytes again
  // (OpenSSL may hold part of them already).
  int Write(const char* data, size_t size, int timeoutMs);
  // All of `data` within `timeoutMs`, asking `stop` between slices. Success
  // or NetSendError with errorText().
  ResultCode WriteAll(const char* data, size_t size, int timeoutMs, const StopCheck& stop = {});
  // Sends the closing alert (waits at most `timeoutMs` to get it out); no
  // reads or writes afterwards. False when it could not be sent.
  bool Shutdown(int timeoutMs);

  bool established() const { return state_ == State::Open; }
  bool insecure() const { return options_.insecure; }
  const std::string& host() const { return host_; }
  const std::string& errorText() const { return errorText_; }
  // Why the handshake failed: TlsCertificate when the certificate was
  // refused, Timeout when it did not finish in time (or was stopped), else
  // Tls; None while it has not failed.
  FailureCause handshakeCause() const { return cause_; }
  // What the certificate check refused, also when insecure() let it pass;
  // empty when the certificate was fine.
  const std::string& certificateProblem() const { return certificateProblem_; }
  bool closedWithoutNotify() const { return closedWithoutNotify_; }
  // The handshake resumed an earlier session with this server.
  bool resumed() const;
  // "TLSv1.3" and the cipher's name once established, else empty.
  std::string protocolVersion() const;
  std::string cipherName() const;

 private:
  // PeerClosed: the server ended TLS properly (we may still send our own
  // closing alert). Done: shut down by us, or dropped by the peer.
  enum class State { New, Open, PeerClosed, Done, Failed };
  using SslPointer = std::unique_ptr<SSL, void (*)(SSL*)>;

  static int VerifyCallback(int preverified, X509_STORE_CTX* store);
  bool Prepare();
  bool Refuse(const std::string& why);
  bool NameTheHost(bool isAddress);
  ResultCode FailHandshake(const std::string& why, FailureCause cause = FailureCause::Tls);
  bool CertificateRefused() const { return fault_.error != 0 && !options_.insecure; }
  std::string HandshakeFailure(int kind);
  int ReadFailed(int kind);
  int Fail(const std::string& why);

  int fd_;
  std::string host_;
  WTlsOptions options_;
  TlsContextPointer context_;
  SslPointer ssl_;
  State state_ = State::New;
  WTlsCertificateFault fault_;
  std::string errorText_;
  FailureCause cause_ = FailureCause::None;
  std::string certificateProblem_;
  std::string sessionKey_;
  bool closedWithoutNotify_ = false;
};

#endif
