// MP4 results made by ffmpeg from the joined stream, checked with ffprobe;
// and the TS kept, with the reason said, when ffmpeg cannot be found.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Files.h"
#include "tests/dl/stream/support/CorpusServer.h"
#include "tests/dl/stream/support/FetchTool.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class StreamRemux : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string skip;
    server = SharedCorpus(skip);
    if (!server) GTEST_SKIP() << skip;
    if (TestFfprobe().empty()) GTEST_SKIP() << "ffprobe is not installed";
  }

  const CorpusServer* server = nullptr;
  DownloadEngine engine{FastSettings()};
  TempDir out;
};

double Seconds(const std::string& text) { return std::atof(text.c_str()); }

}  // namespace

TEST_F(StreamRemux, TsBecomesMp4WithoutReencodingAndTheIntermediateGoes) {
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server->Url("/plain/index.m3u8"), out.path()), 60000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(end.name, "index.mp4");
  EXPECT_EQ(end.stream->container, "mp4");
  EXPECT_EQ(end.stream->containerNote, "");
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"index.mp4"});
  EXPECT_EQ(end.total, static_cast<int64_t>(platform::FileSize(end.file).value_or(0))) << "the MP4's size, not the segments'";
  EXPECT_EQ(end.done, end.total);
  EXPECT_EQ(Probe(end.file, "format=format_name").substr(0, 3), "mov");
  EXPECT_EQ(Probe(end.file, "stream=codec_name"), "h264 aac");
  EXPECT_NEAR(Seconds(Probe(end.file, "format=duration")), 4.0, 0.3);
}

TEST_F(StreamRemux, TheAudioRenditionIsJoinedToTheVideo) {
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server->Url("/rendition.m3u8"), out.path()), 60000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(Probe(end.file, "stream=codec_type"), "video audio");
  EXPECT_NEAR(Seconds(Probe(end.file, "format=duration")), 4.0, 0.3);
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"rendition.mp4"});
}

TEST_F(StreamRemux, WithoutFfmpegTheFetchToolWritesTheTsToExactlyTheFileAndSaysWhy) {
  TempDir emptyBin;
  std::string file = out / "clip.mp4";
  pid_t child = StartFetchTool({server->Url("/plain/index.m3u8"), file, "--container", "mp4"}, emptyBin.path(),
                               out / "stderr.txt");
  ASSERT_EQ(ReapFetchTool(child), 0) << ReadFileBytes(out / "stderr.txt");
  EXPECT_TRUE(ReadFileBytes(file) == server->Expected("plain"));
  EXPECT_NE(ReadFileBytes(out / "stderr.txt").find("ffmpeg is not installed"), std::string::npos);
  EXPECT_EQ(FolderNames(out.path()), (std::vector<std::string>{"clip.mp4", "stderr.txt"}));
}

TEST_F(StreamRemux, TheFetchToolAsksForTsAndGetsIt) {
  std::string file = out / "clip.ts";
  pid_t child = StartFetchTool({server->Url("/plain/index.m3u8"), file, "--container", "ts"}, {}, out / "stderr.txt");
  ASSERT_EQ(ReapFetchTool(child), 0) << ReadFileBytes(out / "stderr.txt");
  EXPECT_TRUE(ReadFileBytes(file) == server->Expected("plain"));
}
