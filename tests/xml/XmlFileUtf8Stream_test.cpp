#include "xml/XmlFileUtf8Stream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/Utf8Codec.h"

namespace {

std::u16string Whole(std::string_view bytes) {
  std::u16string out;
  platform::AppendUtf8AsUtf16(bytes, out);
  return out;
}

std::u16string InPieces(std::string_view bytes, size_t pieceSize) {
  std::u16string out;
  xmlenc::Utf8Stream stream(out);
  for (size_t at = 0; at < bytes.size(); at += pieceSize) stream.Feed(bytes.substr(at, pieceSize));
  stream.Finish();
  return out;
}

TEST(XmlFileUtf8Stream, CutsOnlyBeforeAnIncompleteSequence) {
  using xmlenc::Utf8CutPoint;
  EXPECT_EQ(Utf8CutPoint(""), 0u);
  EXPECT_EQ(Utf8CutPoint("ab"), 2u);
  EXPECT_EQ(Utf8CutPoint("a\xE4\xB8"), 1u);
  EXPECT_EQ(Utf8CutPoint("a\xE4\xB8\xAD"), 4u);
  EXPECT_EQ(Utf8CutPoint("\xF0\x9F\x98"), 0u);
  EXPECT_EQ(Utf8CutPoint("\xE4" "a\xB8"), 3u);  // an ASCII byte ends the pending sequence
  EXPECT_EQ(Utf8CutPoint("\xF0\x9F\x98\x80\x80"), 5u);
}

// Every cut of every piece size decodes as the whole does, valid or not.
TEST(XmlFileUtf8Stream, PiecesDecodeAsTheWhole) {
  const std::string samples[] = {
      "<r>\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 caf\xC3\xA9</r>",
      "\xE4\xB8\x41\xF0\x9F\x98\xC3\xC3\xA9\x80\x80\xFF\xF8\x88\x80\x80\x80\xED\xA0\x80\xC0\xAF",
  };
  for (const auto& sample : samples)
    for (size_t size = 1; size <= sample.size(); ++size)
      EXPECT_EQ(InPieces(sample, size), Whole(sample)) << "piece size " << size;
}

TEST(XmlFileUtf8Stream, RandomBytes) {
  std::mt19937 random(7);
  const unsigned char alphabet[] = {'a', '<', 0x80, 0xA9, 0xBF, 0xC3, 0xC0, 0xE4, 0xED, 0xF0, 0xF4, 0xFF};
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    for (int i = 0; i < 40; ++i) bytes.push_back(static_cast<char>(alphabet[random() % sizeof alphabet]));
    size_t size = 1 + random() % 9;
    ASSERT_EQ(InPieces(bytes, size), Whole(bytes)) << "round " << round;
  }
}

}  // namespace
