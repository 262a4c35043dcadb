#include "rpc/TlsServerContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace rpc {

namespace {

std::string OpenSslText() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (!code) return "unknown TLS failure";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

}  // namespace

void SslFree::operator()(SSL* ssl) const { SSL_free(ssl); }

TlsServerContext::~TlsServerContext() {
  if (context) SSL_CTX_free(context);
}

Failure TlsServerContext::Load(const std::string& certificateFile, const std::string& keyFile) {
  SSL_CTX* made = SSL_CTX_new(TLS_server_method());
  if (!made) return {FailureCause::Tls, "cannot set up TLS: " + OpenSslText()};
  SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
  // The output buffer is a string that grows between retries of a write.
  SSL_CTX_set_mode(made, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER | SSL_MODE_ENABLE_PARTIAL_WRITE);
  if (SSL_CTX_use_certificate_chain_file(made, certificateFile.c_str()) != 1) {
    SSL_CTX_free(made);
    return {FailureCause::TlsCertificate, "cannot read the certificate " + certificateFile + ": " + OpenSslText()};
  }
  if (SSL_CTX_use_PrivateKey_file(made, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(made) != 1) {
    SSL_CTX_free(made);
    return {FailureCause::TlsCertificate, "cannot use the key " + keyFile + ": " + OpenSslText()};
  }
  if (context) SSL_CTX_free(context);
  context = made;
  return {};
}

SslSession TlsServerContext::Accept(int socket) const {
  if (!context) return nullptr;
  SslSession session(SSL_new(context));
  if (!session || SSL_set_fd(session.get(), socket) != 1) return nullptr;
  SSL_set_accept_state(session.get());
  return session;
}

}  // namespace rpc
