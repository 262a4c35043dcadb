// Frames at every size boundary, in any number of pieces, and cut short.
#include "nativehost/NativeMessageFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace nativehost {
namespace {

struct Seen {
  std::vector<std::string> messages;
  std::vector<std::uint32_t> oversized;
};

FrameReader ReaderFor(Seen& seen) {
  return FrameReader(FrameReader::Events{
      [&seen](std::string m) { seen.messages.push_back(std::move(m)); },
      [&seen](std::uint32_t n) { seen.oversized.push_back(n); },
  });
}

std::string Header(std::uint32_t length) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &length, 4);
  return bytes;
}

TEST(NativeMessageFrame, EncodesTheLengthInTheMachinesOwnOrder) {
  EXPECT_EQ(EncodeFrame("{}"), Header(2) + "{}");
  EXPECT_EQ(EncodeFrame(""), Header(0));
}

TEST(NativeMessageFrame, TakesMessagesOfEverySizeUpToTheCap) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{4}, std::size_t{5},
                           std::size_t{255}, std::size_t{256}, std::size_t{65535}, std::size_t{65536},
                           std::size_t{kMaxMessageBytes - 1}, std::size_t{kMaxMessageBytes}}) {
    SCOPED_TRACE(size);
    Seen seen;
    FrameReader reader = ReaderFor(seen);
    const std::string body(size, 'x');
    reader.Feed(EncodeFrame(body) + EncodeFrame("next"));
    ASSERT_EQ(seen.messages.size(), 2u);
    EXPECT_EQ(seen.messages[0], body);
    EXPECT_EQ(seen.messages[1], "next");
    EXPECT_TRUE(seen.oversized.empty());
    EXPECT_TRUE(reader.AtFrameBoundary());
  }
}

TEST(NativeMessageFrame, SkipsAFrameAboveTheCapAndReadsOn) {
  Seen seen;
  FrameReader reader = ReaderFor(seen);
  reader.Feed(Header(kMaxMessageBytes + 1));
  EXPECT_FALSE(reader.AtFrameBoundary());
  // The skipped body arrives in pieces that straddle the next frame.
  const std::string body(kMaxMessageBytes + 1, '{');
  const std::string rest = body + EncodeFrame("after");
  reader.Feed(rest.substr(0, 1000));
  reader.Feed(rest.substr(1000));
  EXPECT_EQ(seen.oversized, std::vector<std::uint32_t>{kMaxMessageBytes + 1});
  EXPECT_EQ(seen.messages, std::vector<std::string>{"after"});
  EXPECT_TRUE(reader.AtFrameBoundary());

  Seen huge;
  FrameReader hugeReader = ReaderFor(huge);
  hugeReader.Feed(Header(0xFFFFFFFFu) + "abc");
  EXPECT_EQ(huge.oversized, std::vector<std::uint32_t>{0xFFFFFFFFu});
  EXPECT_TRUE(huge.messages.empty());
  EXPECT_FALSE(hugeReader.AtFrameBoundary());
}

TEST(NativeMessageFrame, JoinsFramesSplitAtAnyByte) {
  const std::string stream = EncodeFrame("{\"a\":1}") + EncodeFrame("") + EncodeFrame("zz");
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    for (std::size_t cut2 = cut; cut2 <= stream.size(); cut2 += 3) {
      Seen seen;
      FrameReader reader = ReaderFor(seen);
      reader.Feed(stream.substr(0, cut));
      reader.Feed(stream.substr(cut, cut2 - cut));
      reader.Feed(stream.substr(cut2));
      ASSERT_EQ(seen.messages, (std::vector<std::string>{"{\"a\":1}", "", "zz"})) << cut << " " << cut2;
    }
  }
  Seen seen;
  FrameReader reader = ReaderFor(seen);
  for (char c : stream) reader.Feed(std::string_view(&c, 1));
  EXPECT_EQ(seen.messages.size(), 3u);
  EXPECT_TRUE(reader.AtFrameBoundary());
}

TEST(NativeMessageFrame, AnEndInsideAHeaderOrABodyIsNoBoundary) {
  const std::string frame = EncodeFrame("hello");
  for (std::size_t cut = 1; cut < frame.size(); ++cut) {
    Seen seen;
    FrameReader reader = ReaderFor(seen);
    reader.Feed(frame.substr(0, cut));
    EXPECT_FALSE(reader.AtFrameBoundary()) << cut;
    EXPECT_TRUE(seen.messages.empty());
  }
}

}  // namespace
}  // namespace nativehost
