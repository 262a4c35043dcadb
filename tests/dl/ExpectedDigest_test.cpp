// The digests a finished file is checked against: the script's option and
// the server's fields.
#include <gtest/gtest.h>

#include "dl/ExpectedDigest.h"

namespace {

// SHA-256 and SHA-512 of "abc", as hex and base64.
constexpr char kSha256Hex[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kSha256B64[] = "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=";
constexpr char kSha512B64[] =
    "3a81oZNherrMQXNJriBBMRLm+k6JqX6iCp7u5ktV05ohkpkqJ0/BqDa6PCOj/uu9RU1EI2Q86A4qmslPpUyknw==";

}  // namespace

TEST(ExpectedDigest, TheOptionNamesAnAlgorithmAndItsHexDigits) {
  ExpectedDigest digest;
  std::string error;
  ASSERT_TRUE(ParseChecksumOption(std::string("SHA256=") + "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD",
                                  digest, error));
  EXPECT_EQ(digest.algorithm, "sha256");
  EXPECT_EQ(digest.hex, kSha256Hex);
  EXPECT_EQ(digest.source, "option");
  ASSERT_TRUE(ParseChecksumOption("md5=900150983cd24fb0d6963f7d28e17f72", digest, error));
  EXPECT_EQ(digest.algorithm, "md5");
  for (const char* bad : {"", "sha256", "crc32=00000000", "sha256=abc", "sha1=900150983cd24fb0d6963f7d28e17f72",
                          "md5=900150983cd24fb0d6963f7d28e17fzz"}) {
    error.clear();
    EXPECT_FALSE(ParseChecksumOption(bad, digest, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(ExpectedDigest, ServerFieldsGiveTheStrongestUsableDigest) {
  auto repr = DigestFromAnswer({{"Repr-Digest", std::string("sha-256=:") + kSha256B64 + ":"}});
  ASSERT_TRUE(repr);
  EXPECT_EQ(repr->hex, kSha256Hex);
  EXPECT_EQ(repr->source, "repr-digest");
  auto both = DigestFromAnswer({{"repr-digest", std::string("sha-256=:") + kSha256B64 + ":, sha-512=:" + kSha512B64 + ":"}});
  ASSERT_TRUE(both);
  EXPECT_EQ(both->algorithm, "sha512");
  auto legacy = DigestFromAnswer({{"Digest", std::string("MD5=kAFQmDzST7DWlj99KOF/cg==, SHA-256=") + kSha256B64}});
  ASSERT_TRUE(legacy);
  EXPECT_EQ(legacy->algorithm, "sha256");
  EXPECT_EQ(legacy->source, "digest");
  // Repr-Digest wins over the older field.
  auto preferred = DigestFromAnswer({{"Digest", std::string("SHA-256=") + kSha256B64},
                                     {"Repr-Digest", std::string("sha-512=:") + kSha512B64 + ":"}});
  ASSERT_TRUE(preferred);
  EXPECT_EQ(preferred->source, "repr-digest");
  // Malformed values, unknown algorithms and wrong sizes are no digest.
  for (const char* bad : {"sha-256=ungWv48Bz", "sha-256=:ungWv48B:", "sha-256=:!!!!:", "md5=:kAFQmDzST7DWlj99KOF/cg==:",
                          "sha-256"})
    EXPECT_FALSE(DigestFromAnswer({{"Repr-Digest", bad}})) << bad;
  EXPECT_FALSE(DigestFromAnswer({{"Digest", std::string("SHA-256=:") + kSha256B64 + ":"}}));
}
