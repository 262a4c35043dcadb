// AES (FIPS-197) encryption of single blocks under a context keyed by
// AesSetKey, the inverse of AesDecryptBlock. Used only by the deployers' tool.
#ifndef VELMORA_UTIL_AESENCRYPT_H
#define VELMORA_UTIL_AESENCRYPT_H

#include <cstdint>

#include "util/waes_c.h"

// The cipher on one 16-byte block; input and output may be the same block.
// Writes nothing when the context is not keyed.
void AesEncryptBlock(const AesContext& context, const uint8_t* input, uint8_t* output);

#endif
