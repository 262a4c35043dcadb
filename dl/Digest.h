// Message digests (SHA-256, SHA-512, SHA-1, MD5), fed in pieces; used to
// check a finished download against the digest a script named or the
// server sent. The algorithms come from OpenSSL's EVP.
#ifndef VELMORA_DL_DIGEST_H
#define VELMORA_DL_DIGEST_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Digest {
 public:
  // "sha256", "sha512", "sha1" or "md5"; null for any other name.
  static std::unique_ptr<Digest> For(std::string_view algorithm);
  // Hex digits of the named algorithm's digest; 0 for an unknown name.
  static size_t HexLength(std::string_view algorithm);

  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  void Update(const void* data, size_t size);
  // Lowercase hexadecimal; the object is spent afterwards.
  std::string FinishHex();

 private:
  struct State;
  explicit Digest(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Bytes as lowercase hexadecimal, two digits each.
std::string LowerHex(const unsigned char* bytes, size_t size);

// Digest of a whole file by native path; empty when it cannot be read, when
// the algorithm is unknown, or when `cancelled` (asked between blocks)
// answered true.
std::string DigestOfFile(std::string_view algorithm, const std::string& nativePath,
                         const std::function<bool()>& cancelled = nullptr);

#endif
