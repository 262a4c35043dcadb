// A stream download killed with SIGKILL at random moments and started again
// each time ends byte-identical, and its record never counts a segment the
// part file does not hold whole and in place.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "dl/PartRecord.h"
#include "dl/stream/StreamRecord.h"
#include "platform/Files.h"
#include "tests/dl/stream/support/CorpusServer.h"
#include "tests/dl/stream/support/FetchTool.h"
#include "tests/support/Eventually.h"
#include "tests/support/TempDir.h"

TEST(StreamKillResume, OnlyTheMissingSegmentsAreFetchedAndTheResultIsIdentical) {
  std::string skip;
  const CorpusServer* server = SharedCorpus(skip);
  if (!server) GTEST_SKIP() << skip;
  // Each connection capped, so that the download lasts long enough to be
  // killed in the middle.
  TempDir work;
  NginxServer slow(work.path(), server->corpus.root(), false);
  slow.LimitRatePerRequest("600k");
  ASSERT_TRUE(slow.Start()) << slow.ErrorLog();
  const std::string folder = server->corpus.Path("long");
  const std::vector<std::string> segments = StreamCorpus::ListedFiles(folder + "/index.m3u8");
  const std::string expected = StreamCorpus::Joined(folder, segments);
  TempDir out;
  const std::string file = out / "long.ts";
  const std::string part = file + ".part";
  const std::string url = slow.Url("/long/index.m3u8");
  unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> killAfterMs(0, 600);
  auto recordedPieces = [&] {
    StreamRecord record;
    std::string why;
    return LoadStreamRecord(PartRecordPath(part), record, why) ? record.video.pieces : int64_t{0};
  };
  int resumedWithSegments = 0;
  for (int round = 0; round < 3 && !platform::PathExists(file); ++round) {
    int ms = killAfterMs(random);
    int64_t before = recordedPieces();
    pid_t child = StartFetchTool({url, file, "--container", "ts", "--connections", "3"}, {}, out / "stderr.txt");
    // Once this run has recorded a segment of its own, the kill lands at a
    // random moment after it, mostly in the middle of the next segments.
    Eventually([&] { return recordedPieces() > before || platform::PathExists(file); }, 20000);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    kill(child, SIGKILL);
    ReapFetchTool(child);
    StreamRecord record;
    std::string why;
    if (!LoadStreamRecord(PartRecordPath(part), record, why)) continue;
    ASSERT_LE(record.video.pieces, static_cast<int64_t>(segments.size()));
    std::string counted = StreamCorpus::Joined(folder, std::vector<std::string>(
                                                           segments.begin(), segments.begin() + record.video.pieces));
    EXPECT_EQ(record.video.bytes, static_cast<int64_t>(counted.size())) << "seed " << seed << " round " << round;
    std::string held = ReadFileBytes(part);
    ASSERT_GE(held.size(), counted.size()) << "seed " << seed << " round " << round;
    EXPECT_TRUE(held.compare(0, counted.size(), counted) == 0) << "seed " << seed << " round " << round;
    resumedWithSegments += record.video.pieces > 0;
  }
  if (!platform::PathExists(file)) {
    pid_t last = StartFetchTool({url, file, "--container", "ts", "--connections", "3"}, {}, out / "stderr.txt");
    ASSERT_EQ(ReapFetchTool(last), 0) << ReadFileBytes(out / "stderr.txt");
  }
  EXPECT_TRUE(ReadFileBytes(file) == expected) << "seed " << seed;
  EXPECT_EQ(FolderNames(out.path()), (std::vector<std::string>{"long.ts", "stderr.txt"}));
  EXPECT_GT(resumedWithSegments, 0) << "seed " << seed;
}
