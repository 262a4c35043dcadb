// WTlsSessionCache: TLS sessions kept for resumption, so the second and
// later connections to a server (several connections of one download, a
// redirect back to the same host) skip the certificate exchange and, under
// TLS 1.2, a round trip.
//
// A session is filed under the client context it came from (so a changed
// set of trusted certificates never resumes a session checked under the old
// one), the host name and port, and whether checking was off: a session
// from an unchecked connection is never offered by a checked one. Only
// sessions of connections whose checks passed or were knowingly skipped get
// here, since OpenSSL hands them over only after a complete handshake.
//
// Safe from any thread; at most kMaxSessions are kept.
#ifndef VELMORA_NET_WTLSSESSIONCACHE_H
#define VELMORA_NET_WTLSSESSIONCACHE_H

#include <openssl/ssl.h>

#include <string>

class WTlsSessionCache {
 public:
  static constexpr size_t kMaxSessions = 256;

  // Numbers `context` for the keys and has it hand every new session of a
  // connection with an attached key to this cache. Once, when it is made.
  static void EnableOn(SSL_CTX* context);
  // The key for a connection from `context` to host:port.
  static std::string Key(SSL_CTX* context, const std::string& host, unsigned port, bool insecure);
  // Sessions of `ssl` are kept under `*key`, which must outlive `ssl`.
  static void Attach(SSL* ssl, const std::string* key);
  // Offers the kept session for `key`, if any, to `ssl`.
  static void Offer(const std::string& key, SSL* ssl);
  // Drops the session for `key` (after a failed handshake).
  static void Forget(const std::string& key);
  // Takes over one reference to `session`.
  static void Keep(const std::string& key, SSL_SESSION* session);
};

#endif
