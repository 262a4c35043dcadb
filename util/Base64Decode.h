// Lenient base64 decoding (RFC 4648 alphabet) of the decrypted configuration
// text. Line breaks between groups are skipped, '=' ends a group, and bytes
// outside the alphabet decode as 0 rather than failing: the file carries no
// integrity check, so garbage in gives garbage out, never an error.
#ifndef VELMORA_UTIL_BASE64DECODE_H
#define VELMORA_UTIL_BASE64DECODE_H

#include <cstddef>

// Decodes `length` bytes of `input` into `output`, which must hold at least
// `length` bytes; never writes more. A final group cut short by the end of
// the input yields only the bytes its characters complete. Returns 1 when a
// pointer is null, else 0 with the bytes written in `produced`.
int Base64Decode(const char* input, size_t length, unsigned char* output, size_t* produced);

#endif
