// The fixed tables of the AES block cipher (FIPS-197): the substitution box,
// its inverse and the key-schedule round constants, plus multiplication in
// GF(2^8) modulo x^8 + x^4 + x^3 + x + 1. Shared by the decryptor and by the
// deployers' encryptor, so both sides always agree on them.
#ifndef VELMORA_UTIL_AESTABLES_H
#define VELMORA_UTIL_AESTABLES_H

#include <array>
#include <cstdint>

extern const std::array<uint8_t, 256> kAesSbox;
extern const std::array<uint8_t, 256> kAesInverseSbox;
// Round constant number k (1..10) is kAesRoundConstants[k - 1]; it goes into
// the first byte of a key-schedule word.
extern const std::array<uint8_t, 10> kAesRoundConstants;

// Multiplication by x, reducing with 0x1b.
constexpr uint8_t AesXtime(uint8_t value) {
  return static_cast<uint8_t>((value << 1) ^ ((value & 0x80) ? 0x1b : 0x00));
}

constexpr uint8_t AesMultiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  for (; b != 0; b >>= 1) {
    if (b & 1) product ^= a;
    a = AesXtime(a);
  }
  return product;
}

#endif
