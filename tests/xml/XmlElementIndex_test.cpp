// The segmented index: growth across segments, exact long tag lengths and
// the memory it keeps after a parse.
#include "xml/XmlElementIndex.h"

#include <gtest/gtest.h>

#include <string>

#include "xml/CXmlDocument.h"

namespace {

TEST(XmlElementIndex, GrowsAcrossSegmentsWithoutMovingFullOnes) {
  XmlElementIndex index;
  index.Reset(10);
  const XmlElementEntry* firstSegment = nullptr;
  for (int32_t i = 1; i < 3 * int32_t(XmlElementIndex::kSegmentSize) + 5; ++i) {
    ASSERT_EQ(index.Allocate(), i);
    index[i].start = uint32_t(i);
    if (i == int32_t(XmlElementIndex::kSegmentSize)) firstSegment = &index[1];
  }
  EXPECT_EQ(&index[1], firstSegment);  // full segments stay where they are
  for (int32_t i = 1; i < 3 * int32_t(XmlElementIndex::kSegmentSize) + 5; i += 977) ASSERT_EQ(index[i].start, uint32_t(i));
  index.Reset(0);
  EXPECT_EQ(index.nextFree(), 1);
  EXPECT_EQ(index.Allocate(), 1);
}

TEST(XmlElementIndex, TagLengthsBeyondTheirFieldsStayExact) {
  XmlElementIndex index;
  int32_t i = index.Allocate();
  index.SetStartTagLength(i, 5000000);
  index.SetEndTagLength(i, 70000);
  EXPECT_EQ(index.StartTagLength(i), 5000000u);
  EXPECT_EQ(index.EndTagLength(i), 70000u);
  index.SetStartTagLength(i, 12);
  index.SetEndTagLength(i, 4);
  EXPECT_EQ(index.StartTagLength(i), 12u);
  EXPECT_EQ(index.EndTagLength(i), 4u);
  XmlElementIndex::SetLevel(index[i], 1u << 20);
  EXPECT_EQ(XmlElementIndex::Level(index[i]), XmlElementIndex::kMaxLevel);
  EXPECT_EQ(index[i].levelFlags & ~XmlElementIndex::kMaxLevel, 0u);  // the level never spills into the flags
}

TEST(XmlElementIndex, ParsedIndexKeepsAboutThirtyTwoBytesPerElement) {
  std::u16string text = u"<r>";
  for (int i = 0; i < 150000; ++i) text += u"<e/>";
  text += u"</r>";
  CXmlDocument doc(text);
  double perElement = double(doc.Index().MemoryBytes()) / 150001.0;
  EXPECT_LE(perElement, 32.5);
  // The index still grows after the trim.
  doc.FindElem();
  EXPECT_TRUE(doc.AddChildElem(u"n"));
  EXPECT_EQ(doc.Index().nextFree(), 150003);
}

}  // namespace
