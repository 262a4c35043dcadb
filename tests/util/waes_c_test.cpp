#include "util/waes_c.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Md5.h"
#include "base/ReportError.h"

namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::vector<uint8_t> DecryptOne(const std::vector<uint8_t>& key, const std::vector<uint8_t>& block,
                                int* rounds = nullptr) {
  AesContext context;
  AesSetKey(context, {static_cast<int32_t>(key.size()), key.data()});
  if (rounds) *rounds = context.rounds;
  std::vector<uint8_t> out(16, 0);
  AesDecryptBlock(context, block.data(), out.data());
  return out;
}

const std::string kPlain = "00112233445566778899aabbccddeeff";

TEST(AesDecrypt, FipsAppendixCVectorsForEveryKeySize) {
  struct Case {
    std::string key, cipher;
    int rounds;
  } cases[] = {
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a", 10},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191", 12},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "8ea2b7ca516745bfeafc49904b496089", 14},
  };
  for (const Case& c : cases) {
    int rounds = 0;
    EXPECT_EQ(DecryptOne(FromHex(c.key), FromHex(c.cipher), &rounds), FromHex(kPlain)) << c.key;
    EXPECT_EQ(rounds, c.rounds);
  }
}

TEST(AesDecrypt, OddKeyLengthsUseTheLongScheduleWithoutReadingPastTheKey) {
  // A 5-byte key on the heap: reading a full 32 bytes from it would trip the
  // address checker. It must act as the key zero-padded to 32 bytes.
  auto shortKey = std::make_unique<uint8_t[]>(5);
  for (uint8_t i = 0; i < 5; ++i) shortKey[i] = i;
  std::vector<uint8_t> padded(32, 0);
  for (uint8_t i = 0; i < 5; ++i) padded[i] = i;
  std::vector<uint8_t> block = FromHex("8ea2b7ca516745bfeafc49904b496089");

  AesContext context;
  AesSetKey(context, {5, shortKey.get()});
  EXPECT_EQ(context.keyWords, 8);
  EXPECT_EQ(context.rounds, 14);
  std::vector<uint8_t> out(16, 0);
  AesDecryptBlock(context, block.data(), out.data());
  EXPECT_EQ(out, DecryptOne(padded, block));

  // Longer than 32: only the first 32 bytes count.
  std::vector<uint8_t> longKey = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1fffff");
  EXPECT_EQ(DecryptOne(longKey, block), FromHex(kPlain));
}

TEST(AesDecrypt, RekeyingReplacesTheOldSchedule) {
  std::vector<uint8_t> key128 = FromHex("000102030405060708090a0b0c0d0e0f");
  std::vector<uint8_t> key192 = FromHex("000102030405060708090a0b0c0d0e0f1011121314151617");
  AesContext context;
  AesSetKey(context, {32, FromHex(std::string(64, '1')).data()});
  AesSetKey(context, {16, key128.data()});
  std::vector<uint8_t> out(16, 0);
  AesDecryptBlock(context, FromHex("69c4e0d86a7b0430d8cdb78070b4c55a").data(), out.data());
  EXPECT_EQ(out, FromHex(kPlain));
  AesSetKey(context, {24, key192.data()});
  AesDecryptBlock(context, FromHex("dda97ca4864cdfe06eaf70a0ec0d7191").data(), out.data());
  EXPECT_EQ(out, FromHex(kPlain));
}

TEST(AesDecrypt, UnusableContextWritesNothing) {
  std::vector<uint8_t> block(16, 0x5a), out(16, 0);
  AesContext unkeyed;
  AesDecryptBlock(unkeyed, block.data(), out.data());
  EXPECT_EQ(out, std::vector<uint8_t>(16, 0));

  std::vector<std::string> reports;
  DiagnosticSink previous = SetDiagnosticSink([&](const std::string& r) { reports.push_back(r); });
  AesContext released;
  AesSetKey(released, {16, block.data()});
  AesRelease(released);
  AesDecryptBlock(released, block.data(), out.data());
  EXPECT_EQ(out, std::vector<uint8_t>(16, 0));

  AesContext nullKey;
  AesSetKey(nullKey, {16, nullptr});
  AesDecryptBlock(nullKey, block.data(), out.data());
  EXPECT_EQ(out, std::vector<uint8_t>(16, 0));
  SetDiagnosticSink(previous);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("(waes_c:"), std::string::npos);
}

int gAllocationsLeft = 0;
void* FailingAllocator(size_t size) { return gAllocationsLeft-- > 0 ? std::malloc(size) : nullptr; }

TEST(AesDecrypt, AllocationFailureAnywhereIsReportedAndLeavesContextUnusable) {
  std::vector<uint8_t> key(16, 7), block(16, 0x5a);
  std::vector<std::string> reports;
  DiagnosticSink previous = SetDiagnosticSink([&](const std::string& r) { reports.push_back(r); });
  AesAllocator oldAllocator = SetAesAllocator(FailingAllocator);
  // Seven buffers: key copy, expanded key, work word, four state rows.
  for (int succeeding = 0; succeeding < 7; ++succeeding) {
    gAllocationsLeft = succeeding;
    AesContext context;
    AesSetKey(context, {16, key.data()});
    std::vector<uint8_t> out(16, 0);
    AesDecryptBlock(context, block.data(), out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(16, 0)) << succeeding;
  }
  SetAesAllocator(oldAllocator);
  SetDiagnosticSink(previous);
  ASSERT_EQ(reports.size(), 7u);
  EXPECT_EQ(reports[0].rfind("(error) (waes_c:", 0), 0u);
  EXPECT_NE(reports[0].find("malloc mem is error..."), std::string::npos);
}

TEST(AesDecryptBuffer, DecryptsEachBlockOnItsOwn) {
  std::vector<uint8_t> key = FromHex("000102030405060708090a0b0c0d0e0f");
  std::vector<uint8_t> cipher = FromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
  std::vector<uint8_t> twice = cipher;
  twice.insert(twice.end(), cipher.begin(), cipher.end());
  AesContext context;
  AesSetKey(context, {16, key.data()});
  std::vector<uint8_t> out(32, 0);
  size_t produced = 99;
  EXPECT_EQ(AesDecryptBuffer(out.data(), out.size(), twice.data(), &produced, context), 0);
  EXPECT_EQ(produced, 32u);
  std::vector<uint8_t> expected = FromHex(kPlain + kPlain);
  EXPECT_EQ(out, expected);
}

TEST(AesDecryptBuffer, RejectsPartialBlocksAndNullPointers) {
  std::vector<uint8_t> key(16, 1), in(32, 3), out(32, 0);
  AesContext context;
  AesSetKey(context, {16, key.data()});
  size_t produced = 99;
  EXPECT_EQ(AesDecryptBuffer(out.data(), 17, in.data(), &produced, context), 1);
  EXPECT_EQ(produced, 0u);
  EXPECT_EQ(out, std::vector<uint8_t>(32, 0));
  EXPECT_EQ(AesDecryptBuffer(nullptr, 16, in.data(), &produced, context), 1);
  EXPECT_EQ(AesDecryptBuffer(out.data(), 16, nullptr, &produced, context), 1);
  EXPECT_EQ(AesDecryptBuffer(out.data(), 16, in.data(), nullptr, context), 1);
  EXPECT_EQ(AesDecryptBuffer(out.data(), 0, in.data(), &produced, context), 0);
  EXPECT_EQ(produced, 0u);
}

TEST(PrepareConfigKey, TakesTheFirstSixteenHexDigitsOfTheDigestAsBytes) {
  std::string hex = Md5Hex("bluemaplesky2031");
  std::array<uint8_t, 16> key = PrepareConfigKey("bluemaplesky2031");
  EXPECT_EQ(std::string(key.begin(), key.end()), hex.substr(0, 16));
  EXPECT_EQ(std::string(key.begin(), key.end()), "f80c3370e38cd3b4");
}

}  // namespace
