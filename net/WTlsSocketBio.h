// WTlsSocketBio: the OpenSSL I/O object under a TLS connection. It reads
// and writes a socket that its caller owns, never closes it, and sends with
// MSG_NOSIGNAL: OpenSSL's own socket object writes with write(2), which
// kills the process with SIGPIPE when the peer has gone.
//
// The socket should be non-blocking; "would block" becomes OpenSSL's retry
// state, which the TLS connection turns into a timed wait.
#ifndef VELMORA_NET_WTLSSOCKETBIO_H
#define VELMORA_NET_WTLSSOCKETBIO_H

#include <openssl/types.h>

// A new BIO over `fd`, or nullptr when OpenSSL cannot make one. Freed with
// BIO_free (or by the SSL object it is handed to).
BIO* NewTlsSocketBio(int fd);

#endif
