// A live playlist that grows while it is recorded, served by nginx from a
// folder the test rewrites.
#include <cstdio>

#include <gtest/gtest.h>

#include "tests/dl/stream/support/CorpusServer.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/support/Eventually.h"
#include "tests/support/TempDir.h"

namespace {

class StreamLive : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string skip;
    server = SharedCorpus(skip);
    if (!server) GTEST_SKIP() << skip;
    segments = StreamCorpus::ListedFiles(server->corpus.Path("plain/index.m3u8"));
    ASSERT_EQ(segments.size(), 4u);
  }

  // The live playlist lists the first `count` segments; replaced at once,
  // so the server never hands out half of it.
  void Publish(const std::string& name, size_t count, bool ended) {
    std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:0\n";
    for (size_t i = 0; i < count; ++i) text += "#EXTINF:1.0,\n" + segments[i] + "\n";
    if (ended) text += "#EXT-X-ENDLIST\n";
    std::string path = server->corpus.Path("plain/" + name);
    WriteFileBytes(path + ".new", text);
    ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
  }

  std::string Joined(size_t from, size_t to) {
    return StreamCorpus::Joined(server->corpus.Path("plain"),
                                std::vector<std::string>(segments.begin() + from, segments.begin() + to));
  }

  int64_t Add(const std::string& name) {
    TaskOptions options;
    options.container = "ts";
    return AddTask(engine, server->Url("/plain/" + name), out.path(), options);
  }

  const CorpusServer* server = nullptr;
  std::vector<std::string> segments;
  DownloadEngine engine{FastSettings()};
  TempDir out;
};

}  // namespace

TEST_F(StreamLive, NewSegmentsAreRecordedUntilThePlaylistEnds) {
  Publish("live1.m3u8", 2, false);
  int64_t id = Add("live1.m3u8");
  ASSERT_TRUE(Eventually([&] { auto s = engine.Info(id)->stream; return s && s->segmentsDone == 2; }, 20000));
  EXPECT_TRUE(engine.Info(id)->stream->recording);
  EXPECT_EQ(engine.Info(id)->state, TaskState::Running);
  Publish("live1.m3u8", 4, true);
  TaskSnapshot end = WaitForEnd(engine, id, 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_FALSE(end.stream->recording);
  EXPECT_EQ(end.stream->segmentsDone, 4);
  EXPECT_TRUE(ReadFileBytes(end.file) == Joined(0, 4));
}

TEST_F(StreamLive, RecordingStartsAtTheNewestSegmentsAndPausingKeepsWhatWasRecorded) {
  Publish("live2.m3u8", 4, false);
  int64_t id = Add("live2.m3u8");
  ASSERT_TRUE(Eventually([&] { auto s = engine.Info(id)->stream; return s && s->segmentsDone == 3; }, 20000));
  std::string error;
  ASSERT_TRUE(engine.Pause(id, error)) << error;
  TaskSnapshot end = *engine.Info(id);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(end.file) == Joined(1, 4));
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"live2.ts"});
}
