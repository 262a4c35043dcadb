// WTlsClientContext: the OpenSSL client context every TLS connection is
// made from. It holds what connections share: TLS 1.2 as the oldest
// protocol, the system's trust store, and the extra certificates of the PEM
// file named by VELMORA_CA_FILE (a company CA, or a test's private one).
//
// Contexts are kept per CA file (path, size and time of change), so a
// changed or newly named file is read again and an unchanged one once.
// Safe from any thread.
#ifndef VELMORA_NET_WTLSCLIENTCONTEXT_H
#define VELMORA_NET_WTLSCLIENTCONTEXT_H

#include <openssl/types.h>

#include <memory>
#include <string>

using TlsContextPointer = std::shared_ptr<SSL_CTX>;

// The context for the current VELMORA_CA_FILE. On failure nullptr, with
// `error` saying why in plain words (a CA file that cannot be read or holds
// no certificate is an error, never silently skipped).
TlsContextPointer AcquireTlsClientContext(std::string& error);

// The same for an explicit CA file ("" for the system store alone).
TlsContextPointer AcquireTlsClientContext(const std::string& caFile, std::string& error);

#endif
