// SHA-256 (FIPS 180-4), fed in pieces; used to check a finished download
// against the digest a script named.
#ifndef VELMORA_DL_SHA256_H
#define VELMORA_DL_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  // Lowercase hexadecimal; the object is spent afterwards.
  std::string FinishHex();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
  uint64_t length_ = 0;
};

// Digest of a whole file by native path; empty when it cannot be read or
// when `cancelled` (asked between blocks) answered true.
std::string Sha256OfFile(const std::string& nativePath, const std::function<bool()>& cancelled = nullptr);

#endif
