// The server side of TLS: a context holding the certificate and key files
// the user named, and the sessions made from it for accepted connections.
// Loading fails with a cause and a message naming the file; nothing here
// reads or writes a socket except through OpenSSL's own calls on the handle.
#ifndef VELMORA_RPC_TLSSERVERCONTEXT_H
#define VELMORA_RPC_TLSSERVERCONTEXT_H

#include <memory>
#include <string>

#include "base/FailureCause.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace rpc {

struct SslFree {
  void operator()(SSL* ssl) const;
};
using SslSession = std::unique_ptr<SSL, SslFree>;

class TlsServerContext {
 public:
  TlsServerContext() = default;
  ~TlsServerContext();
  TlsServerContext(const TlsServerContext&) = delete;
  TlsServerContext& operator=(const TlsServerContext&) = delete;

  Failure Load(const std::string& certificateFile, const std::string& keyFile);
  bool loaded() const { return context != nullptr; }
  // A session in the accepting role on `socket`; null when OpenSSL refuses.
  SslSession Accept(int socket) const;

 private:
  SSL_CTX* context = nullptr;
};

}  // namespace rpc

#endif
