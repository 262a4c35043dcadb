// Attribute values and image descriptors as the layouts write them.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "base/ReportError.h"
#include "tests/ui/LayoutTestWindow.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIImage.h"

using namespace ui;

TEST(UIAttributes, NumbersColoursRectsAndLists) {
  int n = 5;
  EXPECT_TRUE(ParseInt(u" -12", n));
  EXPECT_EQ(n, -12);
  EXPECT_FALSE(ParseInt(u"px", n));
  EXPECT_EQ(n, -12) << "a failed parse leaves the target alone";
  EXPECT_EQ(ParseIntOr(u"99999999999999", 0), 2147483647) << "huge values saturate instead of overflowing";
  EXPECT_EQ(ParseIntOr(u"-99999999999999", 0), -2147483647);

  std::uint32_t c = 0;
  EXPECT_TRUE(ParseColor(u"#FF2F6FEB", c));
  EXPECT_EQ(c, 0xFF2F6FEBu);
  EXPECT_TRUE(ParseColor(u"#2f6feb", c));
  EXPECT_EQ(c, 0xFF2F6FEBu) << "six digits are opaque";
  EXPECT_TRUE(ParseColor(u"0x80000000", c));
  EXPECT_EQ(c, 0x80000000u);
  EXPECT_FALSE(ParseColor(u"#12345", c));
  EXPECT_FALSE(ParseColor(u"red", c));
  EXPECT_FALSE(ParseColor(u"#GG0000", c));

  RECT r;
  EXPECT_TRUE(ParseRect(u"1,2,3,4", r));
  EXPECT_EQ(r.right, 3);
  EXPECT_TRUE(ParseRect(u"7", r));
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(r.bottom, 0) << "missing parts read as 0";
  EXPECT_FALSE(ParseRect(u"1,x,3,4", r));
  SIZE s;
  EXPECT_TRUE(ParseSize(u"1024, 600", s));
  EXPECT_EQ(s.cy, 600);

  auto pairs = ParseAttributeList(u"a=\"1\"  b='two words' c=\"x\"");
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[1].second, u"two words");
  EXPECT_EQ(ParseAttributeList(u"a=\"1\" b=unquoted c=\"3\"").size(), 1u) << "stops at the first malformed part";
  EXPECT_EQ(ParseAttributeList(u"a=\"open").size(), 0u);
  EXPECT_TRUE(ParseBool(u"true"));
  EXPECT_FALSE(ParseBool(u"yes"));
}

TEST(UIImage, DescriptorsHighDpiVariantsAndMissingImages) {
  ASSERT_TRUE(UseEmbeddedSkin());
  ImageSpec spec = ParseImageSpec(u"file='images/ico_add.png' dest='1,2,17,18' corner='4,4,4,4' fade='128'");
  EXPECT_EQ(spec.file, u"images/ico_add.png");
  EXPECT_TRUE(spec.hasDest);
  EXPECT_EQ(spec.dest.bottom, 18);
  EXPECT_EQ(spec.corner.left, 4);
  EXPECT_EQ(spec.fade, 128);
  EXPECT_EQ(ParseImageSpec(u"images/logo.png").file, u"images/logo.png");

  // Only the @2x file is in the skin: it serves at its layout size.
  const QImage* icon = LoadImage(u"images/ico_add.png");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->devicePixelRatio(), 2.0);
  EXPECT_EQ(ImageSize(u"images/ico_add.png").cx, 16);
  EXPECT_EQ(ImageSize(u"cover.png").cx, 552);

  std::vector<std::string> reports;
  DiagnosticSink previous = SetDiagnosticSink([&](const std::string& r) { reports.push_back(r); });
  EXPECT_EQ(LoadImage(u"images/none.png"), nullptr);
  EXPECT_EQ(LoadImage(u"images/none.png"), nullptr);
  SetDiagnosticSink(std::move(previous));
  EXPECT_EQ(reports.size(), 1u) << "a missing image is reported once, not on every paint";

  QImage canvas(40, 40, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::white);
  QPainter p(&canvas);
  EXPECT_TRUE(DrawImage(p, RECT{0, 0, 40, 40}, u"file='images/ico_info.png' dest='10,10,30,30'"));
  EXPECT_FALSE(DrawImage(p, RECT{0, 0, 40, 40}, u"images/none.png"));
  EXPECT_FALSE(DrawImage(p, RECT{0, 0, 40, 40}, u"file='images/ico_info.png' dest='30,30,10,10'"));
  p.end();
  EXPECT_EQ(canvas.pixelColor(2, 2), QColor(Qt::white)) << "dest keeps the image inside its box";
  EXPECT_NE(canvas.pixelColor(13, 20), QColor(Qt::white));
}
