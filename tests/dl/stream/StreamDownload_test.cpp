// Streams made by ffmpeg, served by a private nginx, fetched by the engine
// and compared byte for byte with their segments joined (and decrypted) here.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "tests/dl/stream/support/CorpusServer.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class StreamDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string skip;
    server = SharedCorpus(skip);
    if (!server) GTEST_SKIP() << skip;
    corpus = &server->corpus;
  }

  TaskSnapshot Fetch(const std::string& path, TaskOptions options = {}) {
    if (options.container.empty()) options.container = "ts";
    int64_t id = AddTask(engine, server->Url(path), out.path(), options);
    return WaitForEnd(engine, id, 60000);
  }

  std::string Expected(const std::string& folder) { return server->Expected(folder); }

  const CorpusServer* server = nullptr;
  const StreamCorpus* corpus = nullptr;
  DownloadEngine engine{FastSettings()};
  TempDir out;
};

}  // namespace

TEST_F(StreamDownload, PlainTsIsTheSegmentsJoinedAndTheTaskSaysItIsAStream) {
  TaskSnapshot end = Fetch("/plain/index.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(end.name, "index.ts");
  EXPECT_TRUE(ReadFileBytes(out / "index.ts") == Expected("plain"));
  ASSERT_TRUE(end.stream.has_value());
  EXPECT_EQ(end.stream->segmentsDone, 4);
  EXPECT_EQ(end.stream->segmentsTotal, 4);
  EXPECT_EQ(end.stream->container, "ts");
  EXPECT_EQ(end.done, end.total);
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"index.ts"});
}

TEST_F(StreamDownload, TheMasterPlaylistsBestVariantIsTakenUnlessAnotherIsAskedFor) {
  TaskSnapshot best = Fetch("/variants.m3u8");
  ASSERT_EQ(best.state, TaskState::Done) << best.error;
  EXPECT_TRUE(ReadFileBytes(best.file) == Expected("plain"));
  EXPECT_EQ(best.stream->variant, "160x120 0.90 Mbit/s");
  TaskOptions small;
  small.variant = "72";
  TaskSnapshot chosen = Fetch("/variants.m3u8", small);
  ASSERT_EQ(chosen.state, TaskState::Done) << chosen.error;
  EXPECT_TRUE(ReadFileBytes(chosen.file) == Expected("small"));
  EXPECT_NE(chosen.file, best.file);
}

TEST_F(StreamDownload, AesSegmentsAreDecryptedAcrossAKeyChange) {
  TaskSnapshot end = Fetch("/rekey/index.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(end.file) == Expected("plain"));
}

TEST_F(StreamDownload, FfmpegsOwnEncryptionIsUndone) {
  TaskSnapshot end = Fetch("/aesff/index.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  unsigned char iv[16];
  for (int i = 0; i < 16; ++i) iv[i] = static_cast<unsigned char>(std::stoi(std::string(StreamCorpus::kFfmpegIvHex + 2 * i, 2), nullptr, 16));
  std::string expected;
  for (const auto& file : StreamCorpus::ListedFiles(corpus->Path("aesff/index.m3u8")))
    expected += DecryptForTest(StreamCorpus::kFfmpegKey, iv, ReadFileBytes(corpus->Path("aesff/" + file)));
  ASSERT_FALSE(expected.empty());
  EXPECT_TRUE(ReadFileBytes(end.file) == expected);
}

TEST_F(StreamDownload, ByteRangesOfOneFileAreFetchedAsRanges) {
  TaskSnapshot end = Fetch("/range/index.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_GT(end.stream->segmentsTotal, 1);
  EXPECT_TRUE(ReadFileBytes(end.file) == ReadFileBytes(corpus->Path("range/index.ts")));
}

TEST_F(StreamDownload, FragmentedMp4StartsWithItsInitialisationSection) {
  TaskSnapshot end = Fetch("/fmp4/index.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(end.name, "index.mp4");
  std::string expected = ReadFileBytes(corpus->Path("fmp4/init.mp4")) + Expected("fmp4");
  EXPECT_TRUE(ReadFileBytes(end.file) == expected);
  EXPECT_EQ(end.stream->segmentsDone, static_cast<int64_t>(StreamCorpus::ListedFiles(corpus->Path("fmp4/index.m3u8")).size()));
}

TEST_F(StreamDownload, HostilePlaylistsFailNamingTheLimitAndLeaveNoFile) {
  std::string many = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n";
  for (int i = 0; i <= 100000; ++i) many += "#EXTINF:1,\ns" + std::to_string(i) + ".ts\n";
  WriteFileBytes(corpus->Path("many.m3u8"), many);
  WriteFileBytes(corpus->Path("huge.m3u8"), "#EXTM3U\n" + std::string(17 << 20, '#'));
  WriteFileBytes(corpus->Path("nested.m3u8"), "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nvariants.m3u8\n");
  WriteFileBytes(corpus->Path("local.m3u8"), "#EXTM3U\n#EXTINF:1,\nplain/seg000.ts\n#EXTINF:1,\nfile:///etc/passwd\n");
  WriteFileBytes(corpus->Path("empty.m3u8"), "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-ENDLIST\n");
  WriteFileBytes(corpus->Path("sample.m3u8"), "#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:1,\na.ts\n");
  struct Case {
    const char* path;
    const char* words;
  } cases[] = {{"/many.m3u8", "segment count limit of 100000"},
               {"/huge.m3u8", "playlist size limit of 16 MiB"},
               {"/nested.m3u8", "only one level of master to media"},
               {"/local.m3u8", "only http and https"},
               {"/sample.m3u8", "SAMPLE-AES"},
               {"/empty.m3u8", "lists no segments"}};
  for (const auto& c : cases) {
    auto started = std::chrono::steady_clock::now();
    TaskSnapshot end = Fetch(c.path);
    EXPECT_EQ(end.state, TaskState::Failed) << c.path;
    EXPECT_NE(end.error.find(c.words), std::string::npos) << c.path << ": " << end.error;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << c.path;
  }
  EXPECT_TRUE(FolderNames(out.path()).empty());
}
