#include "net/WChunk.h"

#include <gtest/gtest.h>

#include "tests/net/support/NetTestSupport.h"

namespace {

WBodySource Source(const std::atomic<bool>* stop = nullptr) {
  static int32_t socket = -1;
  return WBodySource{&ScriptedRecv, &socket, stop, 0};
}

std::string Decode(const std::string& initial, std::vector<PeerStep> peer, size_t limit = kMaxInMemoryBody) {
  SetScriptedPeer(std::move(peer));
  WBlockList blocks;
  BodyBytes body = DecodeChunked(blocks, Source(), initial.data(), initial.size(), limit);
  if (body.length > 0) {
    EXPECT_EQ(body.data[body.length], '\0');
  }
  return std::string(body.data ? body.data : "", body.length);
}

TEST(ChunkSize, ReadsEveryCharacterAsADigitPosition) {
  EXPECT_EQ(ParseChunkSize("1A"), 26u);
  EXPECT_EQ(ParseChunkSize("1a"), 26u);
  EXPECT_EQ(ParseChunkSize("0"), 0u);
  EXPECT_EQ(ParseChunkSize(""), 0u);
  // An extension is not understood: ';', '=' and letters past F count 0.
  EXPECT_EQ(ParseChunkSize("5;x=y"), 0x50000u);
  EXPECT_EQ(ParseChunkSize("ffffffffffffffff"), UINT64_MAX);
}

TEST(DecodeChunked, WholeBodyInTheFirstBlock) {
  EXPECT_EQ(Decode("5\r\nhello\r\n0\r\n\r\n", {}), "hello");
  const std::string wire = MakeChunked({"ab", "cde"});
  EXPECT_EQ(Decode(wire.substr(0, 9), {{wire.substr(9)}}), "abcde");
}

TEST(DecodeChunked, EmptyBodyCountsAsFailure) { EXPECT_EQ(Decode("0\r\n\r\n", {}), ""); }

TEST(DecodeChunked, EverySplitIntoTwoOrThreeReadsGivesTheSameBody) {
  const std::string wire = MakeChunked({"hello", std::string(40, 'x'), "\r\n!\r\n"});
  const std::string expected = "hello" + std::string(40, 'x') + "\r\n!\r\n";
  for (size_t i = 0; i <= wire.size(); ++i) {
    EXPECT_EQ(Decode(wire.substr(0, i), {{wire.substr(i)}}), expected) << "head carries " << i;
    for (size_t j = i + 1; j < wire.size(); ++j)
      ASSERT_EQ(Decode("", {{wire.substr(0, i)}, {wire.substr(i, j - i)}, {wire.substr(j)}}), expected)
          << "reads split at " << i << " and " << j;
  }
}

TEST(DecodeChunked, ByteAtATimeWithFailuresBetween) {
  const std::string wire = MakeChunked({"abc", "defgh"});
  std::vector<PeerStep> peer;
  for (char c : wire) {
    peer.push_back(Fail());
    peer.push_back({std::string(1, c)});
  }
  EXPECT_EQ(Decode("", peer), "abcdefgh");
}

TEST(DecodeChunked, ClosingLineEndSplitAfterCarriageReturnWaitsForTheLineFeed) {
  EXPECT_EQ(Decode("3\r\nabc\r", {Fail(), {"\n2\r\nde\r\n0\r\n\r\n"}}), "abcde");
}

TEST(DecodeChunked, LargeChunkArrivesInManyReadsAndJoinsInOrder) {
  const std::string data = PatternBytes(200000);
  const std::string wire = MakeChunked({data});
  std::vector<PeerStep> peer;
  for (size_t at = 100; at < wire.size(); at += 7000) peer.push_back({wire.substr(at, 7000)});
  EXPECT_EQ(Decode(wire.substr(0, 100), peer), data);
}

TEST(DecodeChunked, FiveFailedReadsInARowEndWithWhatArrived) {
  EXPECT_EQ(Decode("5\r\nhel", {Fail(), Fail(), Fail(), Fail(), Fail(), {"lo\r\n0\r\n\r\n"}}), "hel");
  EXPECT_EQ(ScriptedReads(), 5);
  // Four failures are forgiven by the next good read.
  EXPECT_EQ(Decode("5\r\nhel", {Fail(), Fail(), Fail(), Fail(), {"lo\r\n0\r\n\r\n"}}), "hello");
}

TEST(DecodeChunked, CapsHoldAgainstHostilePeers) {
  // A size line that never ends fills the work buffer and fails.
  EXPECT_EQ(Decode("", {{std::string(kChunkWorkSize + 10, '1')}}), "");
  // A body larger than the limit fails instead of growing without end.
  EXPECT_EQ(Decode(MakeChunked({"0123456789", "0123456789"}), {}, 15), "");
  EXPECT_EQ(Decode("ffffffffffffffff\r\nabc", {}), "");
  EXPECT_EQ(Decode(MakeChunked({"0123456789"}), {}, 10), "0123456789");
}

TEST(DecodeChunked, StopEndsTheReadLoop) {
  std::atomic<bool> stop{true};
  SetScriptedPeer({{"5\r\nhello\r\n0\r\n\r\n"}});
  WBlockList blocks;
  BodyBytes body = DecodeChunked(blocks, Source(&stop), "", 0);
  EXPECT_EQ(body.length, 0u);
  EXPECT_EQ(ScriptedReads(), 0);
}

}  // namespace
