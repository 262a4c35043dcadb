#include "dl/stream/VariantChoice.h"

#include <gtest/gtest.h>

namespace {

Variant Make(int64_t bandwidth, int height) {
  Variant v;
  v.uri = "http://h/" + std::to_string(height) + ".m3u8";
  v.bandwidth = bandwidth;
  v.height = height;
  v.width = height * 16 / 9;
  return v;
}

}  // namespace

TEST(VariantChoice, BestIsTheHighestRateAndTiesGoToTheLargerPicture) {
  std::vector<Variant> variants{Make(800000, 360), Make(2000000, 720), Make(2000000, 1080), Make(500000, 240)};
  std::string error;
  EXPECT_EQ(ChooseVariant(variants, "", error), 2);
  EXPECT_EQ(ChooseVariant(variants, "best", error), 2);
  EXPECT_EQ(ChooseVariant(variants, "smallest", error), 3);
}

TEST(VariantChoice, AHeightWinsOverAnIndexAndUnknownChoicesAreRefused) {
  std::vector<Variant> variants{Make(800000, 360), Make(2000000, 720), Make(900000, 1)};
  std::string error;
  EXPECT_EQ(ChooseVariant(variants, "720", error), 1);
  EXPECT_EQ(ChooseVariant(variants, "1", error), 2);  // a height before an index
  EXPECT_EQ(ChooseVariant(variants, "0", error), 0);
  EXPECT_EQ(ChooseVariant(variants, "480", error), -1);
  EXPECT_NE(error.find("heights 360, 720, 1"), std::string::npos) << error;
  EXPECT_EQ(ChooseVariant(variants, "biggest", error), -1);
  EXPECT_FALSE(IsVariantOption("-1"));
  EXPECT_EQ(ChooseVariant({}, "best", error), -1);
}
