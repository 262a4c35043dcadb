// SHA-256 of finished files.
#include <gtest/gtest.h>

#include "dl/Sha256.h"

TEST(Sha256, MatchesTheStandardVectors) {
  Sha256 empty;
  EXPECT_EQ(empty.FinishHex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  Sha256 abc;
  abc.Update("abc", 3);
  EXPECT_EQ(abc.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  Sha256 pieces;  // 448 bits, fed unevenly across the block boundary
  std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  pieces.Update(text.data(), 5);
  pieces.Update(text.data() + 5, text.size() - 5);
  EXPECT_EQ(pieces.FinishHex(), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}
