#include "dl/Digest.h"

#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <utility>

namespace {

struct Algorithm {
  const char* name;
  const EVP_MD* (*md)();
  size_t bytes;
};

const std::array<Algorithm, 4> kAlgorithms{{
    {"sha256", EVP_sha256, 32},
    {"sha512", EVP_sha512, 64},
    {"sha1", EVP_sha1, 20},
    {"md5", EVP_md5, 16},
}};

const Algorithm* Find(std::string_view name) {
  for (const auto& algorithm : kAlgorithms)
    if (name == algorithm.name) return &algorithm;
  return nullptr;
}

}  // namespace

struct Digest::State {
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context{EVP_MD_CTX_new(), EVP_MD_CTX_free};
};

Digest::Digest(std::unique_ptr<State> state) : state_(std::move(state)) {}
Digest::~Digest() = default;

std::unique_ptr<Digest> Digest::For(std::string_view algorithm) {
  const Algorithm* found = Find(algorithm);
  if (!found) return nullptr;
  auto state = std::make_unique<State>();
  if (!state->context || EVP_DigestInit_ex(state->context.get(), found->md(), nullptr) != 1) return nullptr;
  return std::unique_ptr<Digest>(new Digest(std::move(state)));
}

size_t Digest::HexLength(std::string_view algorithm) {
  const Algorithm* found = Find(algorithm);
  return found ? found->bytes * 2 : 0;
}

void Digest::Update(const void* data, size_t size) { EVP_DigestUpdate(state_->context.get(), data, size); }

std::string Digest::FinishHex() {
  unsigned char bytes[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(state_->context.get(), bytes, &size) != 1) return {};
  return LowerHex(bytes, size);
}

std::string LowerHex(const unsigned char* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xF];
  }
  return hex;
}

std::string DigestOfFile(std::string_view algorithm, const std::string& nativePath,
                         const std::function<bool()>& cancelled) {
  auto digest = Digest::For(algorithm);
  if (!digest) return {};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(nativePath.c_str(), "rb"), std::fclose);
  if (!file) return {};
  constexpr size_t kBlock = 256 * 1024;
  auto buffer = std::make_unique<char[]>(kBlock);
  size_t n;
  while ((n = std::fread(buffer.get(), 1, kBlock, file.get())) > 0) {
    if (cancelled && cancelled()) return {};
    digest->Update(buffer.get(), n);
  }
  if (std::ferror(file.get())) return {};
  return digest->FinishHex();
}
