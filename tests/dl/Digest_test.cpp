// Digests of finished files: every algorithm a checksum may name.
#include <gtest/gtest.h>

#include "dl/Digest.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

namespace {

std::string HexOf(std::string_view algorithm, std::string_view text) {
  auto digest = Digest::For(algorithm);
  if (!digest) return "unknown";
  digest->Update(text.data(), text.size());
  return digest->FinishHex();
}

}  // namespace

TEST(Digest, MatchesTheStandardVectors) {
  EXPECT_EQ(HexOf("sha256", ""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(HexOf("sha256", "abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(HexOf("sha1", "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(HexOf("md5", "abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(HexOf("sha512", "abc"),
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
            "454d4423643ce80e2a9ac94fa54ca49f");
  EXPECT_EQ(HexOf("sha384", "abc"), "unknown");
  EXPECT_EQ(Digest::HexLength("sha512"), 128u);
  EXPECT_EQ(Digest::HexLength("crc32"), 0u);
}

TEST(Digest, PiecesAndFilesGiveTheSameDigestAsOneBlock) {
  std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  auto pieces = Digest::For("sha256");  // 448 bits, fed unevenly across the block boundary
  pieces->Update(text.data(), 5);
  pieces->Update(text.data() + 5, text.size() - 5);
  EXPECT_EQ(pieces->FinishHex(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  TempDir dir;
  WriteFileBytes(dir / "f", text);
  EXPECT_EQ(DigestOfFile("sha256", dir / "f"), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(DigestOfFile("sha256", dir / "missing"), "");
  EXPECT_EQ(DigestOfFile("sha256", dir / "f", [] { return true; }), "");
}
