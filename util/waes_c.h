// AES (FIPS-197) decryption for the configuration file: the key preparation
// from the key text, a cipher context with its key schedule, one-block
// decryption and electronic-codebook decryption of a whole buffer.
//
// Only decryption lives here; the program never encrypts. A context belongs
// to one thread at a time. Allocation failures are reported with the stem
// "waes_c" and leave the context unusable: decryption then writes nothing.
#ifndef VELMORA_UTIL_WAES_C_H
#define VELMORA_UTIL_WAES_C_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

inline constexpr int kAesBlockBytes = 16;

struct AesKeyDescriptor {
  int32_t length = 0;              // bytes
  const uint8_t* bytes = nullptr;  // `length` key bytes
};

struct AesBytesFree {
  void operator()(uint8_t* block) const { std::free(block); }
};
using AesBytes = std::unique_ptr<uint8_t[], AesBytesFree>;

struct AesContext;
void AesRelease(AesContext& context);

// Every buffer is owned here and wiped and freed by AesRelease, which the
// destructor calls. Byte (row, column) of the state holds block byte
// row + 4 * column.
struct AesContext {
  AesContext() = default;
  AesContext(const AesContext&) = delete;
  AesContext& operator=(const AesContext&) = delete;
  ~AesContext() { AesRelease(*this); }

  int blockWords = 4;
  int keyWords = 0;  // 4, 6 or 8
  int rounds = 0;    // 10, 12 or 14
  AesBytes keyCopy;      // keyWords * 4 bytes
  AesBytes expandedKey;  // (rounds + 1) * 16 bytes; round key r at 16r
  AesBytes workWord;     // 4 bytes of scratch for the key schedule
  std::array<AesBytes, 4> stateRows;  // 4 bytes each
};

// Releases any previous key, then keys the context: 16 bytes give AES-128,
// 24 bytes AES-192, any other length AES-256. Bytes beyond the key size are
// ignored and a shorter key is padded with zero bytes, so no length reads
// past the caller's key. A null key pointer leaves the context unusable.
void AesSetKey(AesContext& context, const AesKeyDescriptor& key);

// The inverse cipher on one 16-byte block. Writes nothing when the context
// is not keyed.
void AesDecryptBlock(AesContext& context, const uint8_t* input, uint8_t* output);

// Decrypts `length` bytes block by block, each block on its own (no chaining,
// no padding removed). Returns 1 and produces nothing when a pointer is null
// or the length is not a multiple of 16; else 0 with `produced` = length.
int AesDecryptBuffer(uint8_t* output, size_t length, const uint8_t* input,
                     size_t* produced, AesContext& context);

// Wipes and frees the key copy, the expanded key, the work word and the
// state rows; the context is then unkeyed until the next AesSetKey.
void AesRelease(AesContext& context);

// The AES-128 key for a key text: the first 16 characters of the text's
// lowercase hexadecimal MD5, taken as ASCII bytes.
std::array<uint8_t, 16> PrepareConfigKey(const char* keyText);

// Lets tests make the context's allocations fail. Returns the allocator it
// replaces; null restores malloc.
using AesAllocator = void* (*)(size_t);
AesAllocator SetAesAllocator(AesAllocator allocator);

#endif
