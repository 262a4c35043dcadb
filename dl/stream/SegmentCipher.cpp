#include "dl/stream/SegmentCipher.h"

#include <openssl/evp.h>

#include <memory>

std::array<uint8_t, 16> SequenceIv(int64_t sequence) {
  std::array<uint8_t, 16> iv{};
  auto value = static_cast<uint64_t>(sequence);
  for (int i = 15; i >= 8; --i, value >>= 8) iv[i] = static_cast<uint8_t>(value & 0xff);
  return iv;
}

bool DecryptAes128Cbc(const std::string& key, const std::array<uint8_t, 16>& iv, std::string& data,
                      std::string& error) {
  if (key.size() != 16) return error = "the key is " + std::to_string(key.size()) + " bytes, not 16", false;
  if (data.empty() || data.size() % 16 != 0)
    return error = "the encrypted segment is " + std::to_string(data.size()) + " bytes, not whole blocks", false;
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  if (!context) return error = "no cipher context", false;
  std::string plain(data.size() + 16, '\0');
  int written = 0, last = 0;
  auto* out = reinterpret_cast<unsigned char*>(plain.data());
  bool ok = EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr,
                               reinterpret_cast<const unsigned char*>(key.data()), iv.data()) == 1 &&
            EVP_DecryptUpdate(context.get(), out, &written, reinterpret_cast<const unsigned char*>(data.data()),
                              static_cast<int>(data.size())) == 1 &&
            EVP_DecryptFinal_ex(context.get(), out + written, &last) == 1;
  if (!ok) return error = "the segment does not decrypt with its key (bad padding)", false;
  plain.resize(static_cast<size_t>(written + last));
  data.swap(plain);
  return true;
}
