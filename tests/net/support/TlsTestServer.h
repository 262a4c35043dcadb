// A TLS server on 127.0.0.1 for tests, over OpenSSL: each connection gets a
// handshake with the given certificate, then (when the handshake worked)
// its request head is read and recorded and the scripted reply is sent,
// byte for byte. Connections are served one at a time on one thread.
#ifndef VELMORA_TESTS_NET_TLSTESTSERVER_H
#define VELMORA_TESTS_NET_TLSTESTSERVER_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/support/TestCertificates.h"

struct TlsServerOptions {
  TlsServerOptions(CertificateFiles files, std::string reply, int newestProtocol = 0, bool closeNotify = true,
                   std::string ciphers = "")
      : files(std::move(files)),
        reply(std::move(reply)),
        newestProtocol(newestProtocol),
        closeNotify(closeNotify),
        ciphers(std::move(ciphers)) {}

  CertificateFiles files;
  std::string reply;
  // Offer nothing newer than this (e.g. TLS1_1_VERSION), 0 for no limit.
  int newestProtocol = 0;
  // End with TLS's closing alert; otherwise just close the socket.
  bool closeNotify = true;
  // TLS 1.2 cipher list (OpenSSL's notation) instead of the default.
  std::string ciphers;
  // Listen on ::1 instead of 127.0.0.1.
  bool ipv6 = false;
};

class TlsTestServer {
 public:
  explicit TlsTestServer(TlsServerOptions options);
  ~TlsTestServer();
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;

  // False when the certificate or key could not be loaded.
  bool ok() const { return context_ != nullptr; }
  uint16_t port() const { return port_; }
  std::vector<std::string> requests() const;
  // Handshakes that worked.
  size_t handshakes() const { return handshakes_; }

 private:
  void Serve();
  void ServeOne(int client);

  TlsServerOptions options_;
  void* context_ = nullptr;  // SSL_CTX, kept out of the header
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<size_t> handshakes_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

#endif
