// How the bytes of one file are shared among connections: halving, the
// smallest piece, free ranges first, what counts as done, one connection;
// and how often what is done gets recorded.
#include <gtest/gtest.h>

#include "dl/CheckpointPolicy.h"
#include "dl/SegmentPlan.h"

namespace {

constexpr int64_t MiB = 1 << 20;

// Claims and writes up to `bytes` of the lease, as a connection would.
int64_t WriteSome(SegmentPlan& plan, const SegmentPlan::Lease& lease, int64_t bytes) {
  int64_t written = 0;
  while (written < bytes) {
    auto claim = plan.ClaimNext(lease.id, static_cast<size_t>(std::min<int64_t>(bytes - written, 64 * 1024)));
    if (claim.size == 0) break;
    plan.Written(lease.id, claim.size);
    written += static_cast<int64_t>(claim.size);
  }
  return written;
}

}  // namespace

TEST(ByteRanges, MergeAndMissing) {
  ByteRanges ranges;
  AddByteRange(ranges, 10, 20);
  AddByteRange(ranges, 30, 40);
  AddByteRange(ranges, 0, 5);
  AddByteRange(ranges, 20, 30);  // touches both neighbours
  AddByteRange(ranges, 7, 7);    // empty: ignored
  EXPECT_EQ(ranges, (ByteRanges{{0, 5}, {10, 40}}));
  AddByteRange(ranges, 3, 12);
  EXPECT_EQ(ranges, (ByteRanges{{0, 40}}));
  EXPECT_EQ(MissingByteRanges({{5, 10}, {20, 30}}, 40), (ByteRanges{{0, 5}, {10, 20}, {30, 40}}));
  EXPECT_EQ(MissingByteRanges({{0, 40}}, 40), ByteRanges{});
  EXPECT_EQ(CoveredBytes({{5, 10}, {20, 30}}), 15);
}

TEST(SegmentPlan, FourConnectionsSplitTheFileIntoQuartersAndNoPieceIsSmallerThanOneMiB) {
  SegmentPlan plan(8 * MiB, {});
  auto stream = plan.AdoptStream(0);
  EXPECT_EQ(stream.end, 8 * MiB);
  auto a = plan.Take(), b = plan.Take(), c = plan.Take();
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(a->start, 4 * MiB);
  EXPECT_EQ(b->start, 2 * MiB);
  EXPECT_EQ(c->start, 6 * MiB);
  // Each holds 2 MiB now: halving once more leaves 1 MiB pieces, no less.
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(plan.Take());
  EXPECT_FALSE(plan.Take());
  // The stream stops where its range was cut.
  EXPECT_EQ(WriteSome(plan, stream, 8 * MiB), 1 * MiB);
}

TEST(SegmentPlan, SplittingGivesEqualPiecesOfAtLeastOneMiB) {
  SegmentPlan plan(30 * MiB, {});
  auto stream = plan.AdoptStream(0);
  auto pieces = plan.Split(stream.id, 3);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].start, 10 * MiB);
  EXPECT_EQ(pieces[0].end, 20 * MiB);
  EXPECT_EQ(pieces[1].start, 20 * MiB);
  EXPECT_EQ(pieces[1].end, 30 * MiB);
  EXPECT_EQ(WriteSome(plan, stream, 30 * MiB), 10 * MiB);
  // 3 MiB left in a piece: three pieces at most, whatever was asked.
  SegmentPlan small(3 * MiB, {});
  auto whole = small.AdoptStream(0);
  EXPECT_EQ(small.Split(whole.id, 16).size(), 2u);
  EXPECT_FALSE(small.Take());
}

TEST(SegmentPlan, AFinishedConnectionTakesHalfOfWhatIsLeftOfTheLargestRange) {
  SegmentPlan plan(16 * MiB, {});
  auto stream = plan.AdoptStream(0);
  auto back = plan.Take();  // [8, 16)
  ASSERT_TRUE(back);
  WriteSome(plan, *back, 8 * MiB);
  plan.Release(back->id);
  WriteSome(plan, stream, 2 * MiB);  // the stream is at 2 MiB of its [0, 8)
  auto stolen = plan.Take();
  ASSERT_TRUE(stolen);
  EXPECT_EQ(stolen->start, 5 * MiB);
  EXPECT_EQ(stolen->end, 8 * MiB);
  EXPECT_EQ(WriteSome(plan, stream, 16 * MiB), 3 * MiB);
  EXPECT_EQ(WriteSome(plan, *stolen, 16 * MiB), 3 * MiB);
  EXPECT_TRUE(plan.Complete());
  EXPECT_EQ(plan.Done(), (ByteRanges{{0, 16 * MiB}}));
}

TEST(SegmentPlan, TheLastWrittenByteOfALeaseSaysItIsDone) {
  SegmentPlan plan(4 * MiB, {});
  auto stream = plan.AdoptStream(0);
  auto back = plan.Take();  // [2, 4)
  ASSERT_TRUE(back);
  auto claim = plan.ClaimNext(back->id, static_cast<size_t>(2 * MiB - 1));
  EXPECT_FALSE(plan.Written(back->id, claim.size));
  claim = plan.ClaimNext(back->id, 100);
  EXPECT_EQ(claim.size, 1u);
  // Known at the last byte, not when more bytes arrive to be refused.
  EXPECT_TRUE(plan.Written(back->id, claim.size));
  plan.Collapse();
  claim = plan.ClaimNext(stream.id, static_cast<size_t>(2 * MiB));
  EXPECT_FALSE(plan.Written(stream.id, claim.size)) << "an open-ended lease runs on once collapsed";
}

TEST(SegmentPlan, FreeRangesComeFirstAndOnlyWrittenBytesCountAsDone) {
  // Resumed: two ranges were done before.
  SegmentPlan plan(10 * MiB, {{0, 2 * MiB}, {6 * MiB, 7 * MiB}});
  auto first = plan.Take();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->start, 2 * MiB);
  EXPECT_EQ(first->end, 6 * MiB);
  auto second = plan.Take();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->start, 7 * MiB);
  // Claimed but not written: nothing of it is done, and a released lease
  // hands its unwritten rest back.
  plan.ClaimNext(first->id, 1000);
  EXPECT_EQ(plan.DoneBytes(), 3 * MiB);
  WriteSome(plan, *second, 1 * MiB);
  plan.Release(second->id);
  EXPECT_EQ(plan.Done(), (ByteRanges{{0, 2 * MiB}, {6 * MiB, 8 * MiB}}));
  auto again = plan.Take();
  ASSERT_TRUE(again);
  EXPECT_EQ(again->start, 8 * MiB);
  EXPECT_EQ(again->end, 10 * MiB);
  EXPECT_FALSE(plan.Complete());
}

TEST(SegmentPlan, CollapsedNothingIsHalvedAndTheStreamRunsToTheEnd) {
  SegmentPlan plan(8 * MiB, {});
  auto stream = plan.AdoptStream(0);
  auto helper = plan.Take();  // [4, 8)
  ASSERT_TRUE(helper);
  WriteSome(plan, *helper, 1 * MiB);
  plan.Collapse();
  plan.Release(helper->id);
  // The free rest [5, 8) may still be taken, but nothing is halved.
  auto rest = plan.Take();
  ASSERT_TRUE(rest);
  plan.Release(rest->id);
  // The stream, asked to the end, goes on past its cut, over done bytes too.
  EXPECT_EQ(WriteSome(plan, stream, 8 * MiB), 8 * MiB);
  EXPECT_TRUE(plan.Complete());
  auto closed = plan.Take();
  EXPECT_FALSE(closed);
}

TEST(CheckpointPolicy, AboutOnceASecondUnlessTheDiskWouldHoldTheTransferBack) {
  using std::chrono::milliseconds;
  const double disk = 100.0 * MiB;  // bytes per second
  EXPECT_FALSE(CheckpointPolicy::Due(milliseconds(900), 0, disk));
  EXPECT_TRUE(CheckpointPolicy::Due(milliseconds(1000), 8 * MiB, disk));     // 0.08 s of flushing
  EXPECT_FALSE(CheckpointPolicy::Due(milliseconds(1000), 700 * MiB, disk));  // 7 s of it: later
  EXPECT_TRUE(CheckpointPolicy::Due(milliseconds(5000), 90 * MiB, disk));
  EXPECT_TRUE(CheckpointPolicy::Due(milliseconds(10000), 5000 * MiB, disk));  // never put off longer
}
