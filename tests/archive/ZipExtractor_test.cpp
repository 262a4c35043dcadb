// Extraction of archives the tests write: a normal tree, names in GBK and
// UTF-8, hostile names and links, caps, a bomb, damage and cancelling.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "archive/ExtractJob.h"
#include "archive/ZipExtractor.h"
#include "tests/archive/ZipTestArchives.h"
#include "tests/support/TempDir.h"

using archive::ExtractLimits;
using archive::ExtractProgress;
using archive::ExtractZip;

namespace {

using Tree = std::vector<std::string>;

archive::ExtractOutcome Extract(const std::string& zip, const std::string& folder, ExtractLimits limits = {}) {
  ExtractProgress progress;
  return ExtractZip(zip, folder, limits, progress);
}

// Overwrites the uncompressed size of the first entry in its local header
// and its central directory record.
void ShrinkDeclaredSize(std::string& bytes, std::uint32_t size) {
  auto put = [&](std::size_t at) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  };
  put(22);
  const std::size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  put(central + 24);
}

}  // namespace

TEST(ZipExtractor, ExtractsTreesWithNamesInEitherEncoding) {
  TempDir dir;
  const std::string zip = dir / "a.zip";
  ASSERT_TRUE(WriteTestZip(zip, {{"top.txt", "top"},
                                 {"docs/", ""},
                                 {"docs/inner/deep.txt", "deep"},
                                 {"win\\style.txt", "back"},
                                 {"\xD6\xD0\xCE\xC4.txt", "gbk"},
                                 {"\xE6\x96\x87\xE4\xBB\xB6.txt", "flagged", true},
                                 {"empty.bin", ""}}));
  ExtractProgress progress;
  const auto outcome = ExtractZip(zip, dir / "out/a", {}, progress);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(ListTree(dir / "out/a"), (Tree{"docs/", "docs/inner/", "docs/inner/deep.txt=deep", "empty.bin=",
                                           "top.txt=top", "win/", "win/style.txt=back",
                                           "\xE4\xB8\xAD\xE6\x96\x87.txt=gbk", "\xE6\x96\x87\xE4\xBB\xB6.txt=flagged"}));
  EXPECT_EQ(progress.entriesDone.load(), 7u);
  EXPECT_EQ(progress.entriesTotal.load(), 7u);
  EXPECT_EQ(progress.bytesDone.load(), 21u);
  EXPECT_EQ(progress.bytesTotal.load(), 21u);

  // Again over the same folder: files are replaced, nothing else is lost.
  WriteFileBytes(dir / "out/a/mine.txt", "keep");
  WriteFileBytes(dir / "out/a/top.txt", "old");
  ASSERT_TRUE(Extract(zip, dir / "out/a").ok);
  EXPECT_EQ(ReadFileBytes(dir / "out/a/top.txt"), "top");
  EXPECT_EQ(ReadFileBytes(dir / "out/a/mine.txt"), "keep");
}

TEST(ZipExtractor, HostileNamesAndLinkEntriesAreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"../evil.txt", "climbs out"},       {"a/../../evil.txt", "climbs out"}, {"..\\evil.txt", "climbs out"},
      {"/tmp/evil.txt", "absolute"},       {"C:\\evil.txt", "absolute"},
  };
  for (const auto& [name, why] : cases) {
    const std::string zip = dir / "bad.zip";
    ASSERT_TRUE(WriteTestZip(zip, {{"fine.txt", "x"}, {name, "evil"}})) << name;
    const auto outcome = Extract(zip, dir / "out/x");
    EXPECT_FALSE(outcome.ok) << name;
    EXPECT_NE(outcome.error.find(why), std::string::npos) << outcome.error;
    EXPECT_FALSE(ListTree(dir.path()).size() > 1) << "only the archive: " << name;
  }
  const std::string zip = dir / "link.zip";
  ASSERT_TRUE(WriteTestZip(zip, {{"fine.txt", "x"}, {"link", "/etc/passwd", false, true}}));
  const auto outcome = Extract(zip, dir / "out/x");
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("symbolic link"), std::string::npos) << outcome.error;
  EXPECT_EQ(ListTree(dir / "out"), Tree{});
}

TEST(ZipExtractor, LinksPlantedInTheFolderAreNotFollowed) {
  TempDir dir;
  const std::string outside = dir / "outside";
  ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0755), 0);
  ASSERT_EQ(symlink(outside.c_str(), (dir / "out/sub").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/target.txt").c_str(), (dir / "out/file.txt").c_str()), 0);
  const std::string zip = dir / "a.zip";
  ASSERT_TRUE(WriteTestZip(zip, {{"file.txt", "replaces the link"}, {"sub/x.txt", "x"}}));
  const auto outcome = Extract(zip, dir / "out");
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("cannot make folder 'sub'"), std::string::npos) << outcome.error;
  EXPECT_EQ(ListTree(outside), Tree{}) << "nothing written through either link";
}

TEST(ZipExtractor, EntryCountAndTotalSizeAreCapped) {
  TempDir dir;
  const std::string zip = dir / "a.zip";
  ASSERT_TRUE(WriteTestZip(zip, {{"1", "a"}, {"2", "b"}, {"3", std::string(2000, 'c')}}));
  ExtractLimits few;
  few.maxEntries = 2;
  auto outcome = Extract(zip, dir / "out", few);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("3 entries, more than the limit of 2"), std::string::npos) << outcome.error;
  ExtractLimits small;
  small.maxBytes = 1000;
  outcome = Extract(zip, dir / "out", small);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("more than the limit of 1000 bytes"), std::string::npos) << outcome.error;
  EXPECT_EQ(ListTree(dir / "out"), Tree{});
}

TEST(ZipExtractor, EntryInflatingPastItsDeclaredSizeStopsAndLeavesNothing) {
  TempDir dir;
  const std::string zip = dir / "bomb.zip";
  ASSERT_TRUE(WriteTestZip(zip, {{"bomb.bin", std::string(1 << 20, '\0')}}));
  std::string bytes = ReadFileBytes(zip);
  ShrinkDeclaredSize(bytes, 1000);
  WriteFileBytes(zip, bytes);
  const auto outcome = Extract(zip, dir / "out");
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("'bomb.bin' unpacks to more than the 1000 bytes it declares"), std::string::npos)
      << outcome.error;
  EXPECT_EQ(ListTree(dir / "out"), Tree{});
}

TEST(ZipExtractor, DamagedArchivesFailWithAMessageAndStayAsTheyWere) {
  TempDir dir;
  const std::string zip = dir / "a.zip";
  std::string data;
  for (int i = 0; i < 20000; ++i) data += std::to_string(i * 7919) + ",";
  ASSERT_TRUE(WriteTestZip(zip, {{"good.txt", "fine"}, {"data.csv", data}}));
  std::string bytes = ReadFileBytes(zip);
  // Damage the middle of the second entry's compressed data.
  const std::size_t second = bytes.find("PK\x03\x04", 4);
  ASSERT_NE(second, std::string::npos);
  for (std::size_t i = second + 200; i < second + 260; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  WriteFileBytes(zip, bytes);
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0755), 0);
  WriteFileBytes(dir / "out/data.csv", "mine");

  const auto outcome = Extract(zip, dir / "out");
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("'data.csv' is damaged"), std::string::npos) << outcome.error;
  EXPECT_EQ(ReadFileBytes(zip), bytes) << "the archive is only read";
  EXPECT_EQ(ListTree(dir / "out"), Tree{"data.csv=mine"}) << "the damaged entry replaced nothing";

  WriteFileBytes(zip, bytes.substr(0, bytes.size() / 2));
  const auto cut = Extract(zip, dir / "out2");
  EXPECT_FALSE(cut.ok);
  EXPECT_NE(cut.error.find("cannot open the archive"), std::string::npos) << cut.error;
  EXPECT_FALSE(Extract(dir / "missing.zip", dir / "out3").ok);
  EXPECT_EQ(ListTree(dir / "out2"), Tree{});
}

TEST(ZipExtractor, CancelledExtractionTakesAwayWhatItMade) {
  TempDir dir;
  const std::string zip = dir / "a.zip";
  ASSERT_TRUE(WriteTestZip(zip, {{"a/b.txt", "b"}, {"c.txt", "c"}}));
  ExtractProgress progress;
  progress.cancel = true;
  const auto outcome = ExtractZip(zip, dir / "out", {}, progress);
  EXPECT_FALSE(outcome.ok);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(access((dir / "out").c_str(), F_OK), -1);
}

TEST(ExtractJob, RunsOnItsThreadAndReportsItsState) {
  TempDir dir;
  const std::string zip = dir / "a.zip";
  std::vector<TestEntry> entries;
  for (int i = 0; i < 200; ++i) entries.push_back({"f" + std::to_string(i), std::string(50000, 'z')});
  ASSERT_TRUE(WriteTestZip(zip, entries));
  {
    archive::ExtractJob job(zip, dir / "done", {});
    while (job.GetState() == archive::ExtractJob::State::Running)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(job.GetState(), archive::ExtractJob::State::Done) << job.Error();
    EXPECT_EQ(job.Progress().bytesDone.load(), 200u * 50000u);
  }
  archive::ExtractJob job(zip, dir / "cancelled", {});
  job.Cancel();
  while (job.GetState() == archive::ExtractJob::State::Running)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (job.GetState() == archive::ExtractJob::State::Cancelled) {
    EXPECT_EQ(job.Error(), "cancelled");
    EXPECT_EQ(ListTree(dir / "cancelled"), Tree{});
  }
  // Deleting a running job cancels and waits for it.
  auto running = std::make_unique<archive::ExtractJob>(zip, dir / "dropped", ExtractLimits{});
  running.reset();
}

// Archives damaged at random places: every run ends (no crash, no hang),
// a failed one leaves nothing behind, and nothing ever lands outside the
// folder.
TEST(ZipExtractor, RandomlyDamagedArchivesFailCleanly) {
  TempDir dir;
  const std::string zip = dir / "seed.zip";
  std::string data;
  for (int i = 0; i < 3000; ++i) data += std::to_string(i * 31) + " ";
  ASSERT_TRUE(WriteTestZip(zip, {{"a/one.txt", data}, {"b/", ""}, {"b/two.txt", "two"}, {"three.txt", data}}));
  const std::string seed = ReadFileBytes(zip);
  std::uint32_t state = 99;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int round = 0; round < 120; ++round) {
    std::string bytes = seed;
    const int flips = 1 + static_cast<int>(next() % 4);
    for (int i = 0; i < flips; ++i) bytes[next() % bytes.size()] = static_cast<char>(next() & 0xFF);
    WriteFileBytes(dir / "bad.zip", bytes);
    const auto outcome = Extract(dir / "bad.zip", dir / "out");
    const Tree top = ListTree(dir.path());
    for (const std::string& line : top) {
      const bool known = line.rfind("seed.zip=", 0) == 0 || line.rfind("bad.zip=", 0) == 0 || line.rfind("out/", 0) == 0;
      ASSERT_TRUE(known) << "round " << round << " wrote " << line;
    }
    if (!outcome.ok) {
      ASSERT_EQ(ListTree(dir / "out"), Tree{}) << "round " << round << ": " << outcome.error;
      ASSERT_FALSE(outcome.error.empty());
    }
    std::filesystem::remove_all(dir / "out");
  }
}
