// WTlsFailure: why a TLS handshake failed, in plain words. The certificate
// check reports through a record of the first certificate it refused (kept
// while the handshake runs, since OpenSSL forgets the details afterwards);
// everything else comes from OpenSSL's error queue and the socket.
//
// Messages name the host and the fault ("the certificate of localhost
// expired on 2020-02-01 00:00:00 UTC"), never a bare code.
#ifndef VELMORA_NET_WTLSFAILURE_H
#define VELMORA_NET_WTLSFAILURE_H

#include <openssl/types.h>

#include <string>
#include <vector>

struct WTlsCertificateFault {
  int error = 0;  // X509_V_ERR_*, 0 while nothing was refused
  int depth = 0;  // 0: the server's own certificate
  std::string subject;
  std::string issuer;
  std::string notBefore;  // "2020-01-01 00:00:00 UTC"
  std::string notAfter;
  std::vector<std::string> names;  // DNS names and addresses it is for
};

// The fault the verifier met at `store` (inside a verify callback).
WTlsCertificateFault ReadCertificateFault(X509_STORE_CTX* store);

// "the certificate of <host> ..." for a recorded fault.
std::string DescribeCertificateFault(const WTlsCertificateFault& fault, const std::string& host);

// A failed handshake without a certificate fault: from the first entry of
// OpenSSL's error queue (0 when empty), the SSL_get_error kind, and errno.
std::string DescribeHandshakeError(unsigned long queued, int kind, int systemError);

#endif
