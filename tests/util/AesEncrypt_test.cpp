#include "util/AesEncrypt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(AesEncrypt, FipsAppendixCVectorsForEveryKeySizeAndBackAgain) {
  const std::vector<uint8_t> plain = FromHex("00112233445566778899aabbccddeeff");
  const std::pair<std::string, std::string> cases[] = {
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "8ea2b7ca516745bfeafc49904b496089"},
  };
  for (const auto& [keyHex, cipherHex] : cases) {
    std::vector<uint8_t> key = FromHex(keyHex);
    AesContext context;
    AesSetKey(context, {static_cast<int32_t>(key.size()), key.data()});
    std::vector<uint8_t> block = plain;
    AesEncryptBlock(context, block.data(), block.data());
    EXPECT_EQ(block, FromHex(cipherHex)) << keyHex;
    AesDecryptBlock(context, block.data(), block.data());
    EXPECT_EQ(block, plain) << keyHex;
  }
}

TEST(AesEncrypt, UnkeyedContextWritesNothing) {
  AesContext context;
  std::vector<uint8_t> out(16, 0xAB);
  const std::vector<uint8_t> in(16, 1);
  AesEncryptBlock(context, in.data(), out.data());
  EXPECT_EQ(out, std::vector<uint8_t>(16, 0xAB));
}

}  // namespace
