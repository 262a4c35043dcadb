#include "dl/stream/SegmentCipher.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The server's side, done independently with the library's one-shot calls.
std::string Encrypt(const std::string& key, const std::array<uint8_t, 16>& iv, const std::string& plain) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> c(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  std::string out(plain.size() + 16, '\0');
  int n = 0, last = 0;
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  EVP_EncryptInit_ex(c.get(), EVP_aes_128_cbc(), nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                     iv.data());
  EVP_EncryptUpdate(c.get(), o, &n, reinterpret_cast<const unsigned char*>(plain.data()),
                    static_cast<int>(plain.size()));
  EVP_EncryptFinal_ex(c.get(), o + n, &last);
  out.resize(static_cast<size_t>(n + last));
  return out;
}

}  // namespace

TEST(SegmentCipher, SequenceNumbersMakeBigEndianIvs) {
  auto iv = SequenceIv(0x0102030405060708LL);
  EXPECT_EQ(iv[0], 0);
  EXPECT_EQ(iv[7], 0);
  EXPECT_EQ(iv[8], 1);
  EXPECT_EQ(iv[15], 8);
}

TEST(SegmentCipher, DecryptsWhatWasEncryptedAndRefusesWrongKeysOrCutData) {
  std::string key = "0123456789abcdef";
  std::string plain(188 * 7, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 31);
  std::string data = Encrypt(key, SequenceIv(5), plain);
  std::string error;
  std::string copy = data;
  ASSERT_TRUE(DecryptAes128Cbc(key, SequenceIv(5), copy, error)) << error;
  EXPECT_TRUE(copy == plain);
  // A wrong key almost always leaves no valid padding; when it does by
  // chance the bytes still differ.
  copy = data;
  EXPECT_FALSE(DecryptAes128Cbc("fedcba9876543210", SequenceIv(5), copy, error) && copy == plain);
  copy = data.substr(0, data.size() - 3);
  EXPECT_FALSE(DecryptAes128Cbc(key, SequenceIv(5), copy, error));
  EXPECT_NE(error.find("whole blocks"), std::string::npos);
  copy = data;
  EXPECT_FALSE(DecryptAes128Cbc("short", SequenceIv(5), copy, error));
}
