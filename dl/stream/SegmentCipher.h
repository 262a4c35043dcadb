// Undoing AES-128 in CBC mode with PKCS#7 padding, as segments and
// initialisation sections of an encrypted stream are sealed. Over
// OpenSSL's EVP interface.
#ifndef VELMORA_DL_STREAM_SEGMENTCIPHER_H
#define VELMORA_DL_STREAM_SEGMENTCIPHER_H

#include <array>
#include <cstdint>
#include <string>

// The IV a segment without an explicit one takes: its sequence number,
// big-endian, in the last eight bytes.
std::array<uint8_t, 16> SequenceIv(int64_t sequence);

// Replaces `data` with its plaintext; false with `error` when the key is
// not 16 bytes or the data is not a whole number of blocks with valid
// padding (a wrong key shows up here).
bool DecryptAes128Cbc(const std::string& key, const std::array<uint8_t, 16>& iv, std::string& data,
                      std::string& error);

#endif
