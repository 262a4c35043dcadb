#include <gtest/gtest.h>

#include "base/Md5.h"

TEST(Md5Hex, MatchesTheRfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890"
                   "1234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Hex, HandlesEveryPaddingBoundary) {
  // 55, 56, 63, 64 and 65 bytes straddle the one-block/two-block padding cut.
  const char* expected[] = {
      "ef1772b6dff9a122358552954ad0df65", "3b0c8ac703f828b04c6c197006d17218",
      "b06521f39153d618550606be297466d5", "014842d480b571495a4a0363793f7367",
      "c743a45e0d2e6a95cb859adae0248435"};
  size_t lengths[] = {55, 56, 63, 64, 65};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Md5Hex(std::string(lengths[i], 'a')), expected[i]) << lengths[i];
}

TEST(Md5Hex, StopsAtTheTerminatorAndToleratesNull) {
  EXPECT_EQ(Md5Hex(std::string("abc\0def", 7)), Md5Hex("abc"));
  EXPECT_EQ(Md5Hex(static_cast<const char*>(nullptr)), Md5Hex(""));
}
