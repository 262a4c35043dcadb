#include "tests/net/support/TlsTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "tests/net/support/LoopbackListen.h"

namespace {

SSL_CTX* MakeContext(const TlsServerOptions& options) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (!context) return nullptr;
  if (options.newestProtocol != 0) {
    // Old protocols need the lowest security level to be offered at all.
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0");
    SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
    SSL_CTX_set_max_proto_version(context, options.newestProtocol);
  }
  if (!options.ciphers.empty()) SSL_CTX_set_cipher_list(context, options.ciphers.c_str());
  if (SSL_CTX_use_certificate_chain_file(context, options.files.certificate.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context, options.files.key.c_str(), SSL_FILETYPE_PEM) != 1) {
    SSL_CTX_free(context);
    ERR_clear_error();
    return nullptr;
  }
  return context;
}

// Reads up to the blank line after the head (a test request has no body).
std::string ReadHead(SSL* ssl) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    int got = SSL_read(ssl, buffer, sizeof buffer);
    if (got <= 0) break;
    head.append(buffer, static_cast<size_t>(got));
  }
  return head;
}

void WriteAll(SSL* ssl, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int sent = SSL_write(ssl, bytes.data() + done, static_cast<int>(bytes.size() - done));
    if (sent <= 0) return;
    done += static_cast<size_t>(sent);
  }
}

}  // namespace

TlsTestServer::TlsTestServer(TlsServerOptions options) : options_(std::move(options)) {
  // OpenSSL writes with write(2): a client that hung up must not end the
  // whole test program.
  signal(SIGPIPE, SIG_IGN);
  context_ = MakeContext(options_);
  if (!context_) return;
  listener_ = ListenOnLoopback(&port_, options_.ipv6);
  if (listener_ >= 0) thread_ = std::thread([this] { Serve(); });
}

TlsTestServer::~TlsTestServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
  SSL_CTX_free(static_cast<SSL_CTX*>(context_));
}

std::vector<std::string> TlsTestServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void TlsTestServer::Serve() {
  while (!stopping_) {
    pollfd entry{listener_, POLLIN, 0};
    if (poll(&entry, 1, 20) <= 0) continue;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    // A client that goes silent costs this server two seconds, not a hang.
    timeval wait{2, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    ServeOne(client);
    close(client);
  }
}

void TlsTestServer::ServeOne(int client) {
  SSL* ssl = SSL_new(static_cast<SSL_CTX*>(context_));
  SSL_set_fd(ssl, client);
  if (SSL_accept(ssl) == 1) {
    ++handshakes_;
    std::string head = ReadHead(ssl);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(head);
    }
    WriteAll(ssl, options_.reply);
    if (options_.closeNotify) SSL_shutdown(ssl);
  }
  SSL_free(ssl);
  ERR_clear_error();
}
