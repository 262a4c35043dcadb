#include "util/Base64Decode.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace {

// Decodes into a heap buffer exactly as long as the input, so any write past
// the promised bound shows up under the address checker.
std::string Decode(const std::string& text) {
  auto input = std::make_unique<char[]>(text.size() + 1);
  std::copy(text.begin(), text.end(), input.get());
  auto output = std::make_unique<unsigned char[]>(text.size() + 1);
  size_t produced = 12345;
  EXPECT_EQ(Base64Decode(input.get(), text.size(), output.get(), &produced), 0);
  EXPECT_LE(produced, text.size());
  return std::string(reinterpret_cast<const char*>(output.get()), produced);
}

TEST(Base64Decode, PaddedGroupsGiveOneTwoOrThreeBytes) {
  EXPECT_EQ(Decode("QQ=="), "A");
  EXPECT_EQ(Decode("QUI="), "AB");
  EXPECT_EQ(Decode("QUJD"), "ABC");
  EXPECT_EQ(Decode(""), "");
  EXPECT_EQ(Decode("AP8A"), std::string("\0\xff\0", 3));
}

TEST(Base64Decode, LineBreaksBetweenGroupsAreSkipped) {
  std::string flat, wrapped;
  std::string groups[] = {"YWJj", "ZGVm", "Z2hp"};
  for (int i = 0; i < 60; ++i) flat += groups[i % 3];
  for (size_t i = 0; i < flat.size(); i += 76) wrapped += flat.substr(i, 76) + "\r\n";
  EXPECT_EQ(Decode(wrapped), Decode(flat));
  EXPECT_EQ(Decode(flat).substr(0, 9), "abcdefghi");
  EXPECT_EQ(Decode("QQ==\r\n"), "A");
  EXPECT_EQ(Decode("\nQUJD\n\nQQ==\n"), "ABCA");
}

TEST(Base64Decode, ForeignBytesDecodeAsZeroAndGroupsEndedByPaddingStillAdvanceFour) {
  EXPECT_EQ(Decode("Q*=="), std::string("\x40", 1));  // '*' counts as 'A'
  EXPECT_EQ(Decode("QQ=xQUJD"), "AABC");
  EXPECT_EQ(Decode("QUI=QUJD"), "ABABC");
}

TEST(Base64Decode, ShortFinalGroupNeverWritesPastTheInputLength) {
  EXPECT_EQ(Decode("Q"), "");
  EXPECT_EQ(Decode("QQ"), "A");
  EXPECT_EQ(Decode("QUI"), "AB");
  EXPECT_EQ(Decode("QUJDQQ"), "ABCA");
  EXPECT_EQ(Decode("QUJD\r"), "ABC");
}

TEST(Base64Decode, RandomTextsWithStrayPaddingAndBreaksStayInBounds) {
  const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\r\n\x80\xff";
  std::mt19937 random(76);
  for (int round = 0; round < 5000; ++round) {
    std::string text(random() % 40, 'A');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    Decode(text);
  }
}

TEST(Base64Decode, NullPointersAreRefused) {
  unsigned char out[8];
  size_t produced = 0;
  EXPECT_EQ(Base64Decode(nullptr, 4, out, &produced), 1);
  EXPECT_EQ(Base64Decode("QUJD", 4, nullptr, &produced), 1);
  EXPECT_EQ(Base64Decode("QUJD", 4, out, nullptr), 1);
}

}  // namespace
