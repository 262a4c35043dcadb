// Streams from a test server written as code: a file task that meets a
// playlist hands over to a stream task; segments are retried alone; keys
// are fetched once; refused URIs are never asked for; the task's own limit
// holds for the playlist and its segments.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>

#include "tests/dl/stream/support/CorpusServer.h"
#include "tests/dl/stream/support/StreamCorpus.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/dl/support/ManualClock.h"
#include "tests/support/Eventually.h"
#include "tests/support/TempDir.h"

namespace {

constexpr char kPlaylistType[] = "Content-Type: application/vnd.apple.mpegurl\r\n";

class Site {
 public:
  Site()
      : server_([this](const HttpRequest& request, ServerPeer& peer, size_t) { Serve(request, peer); }) {}

  void Put(const std::string& path, Resource resource) {
    std::lock_guard lock(mutex_);
    resources_.insert_or_assign(path, std::move(resource));
  }
  // The next `times` answers for `path` stop after `bytes` body bytes.
  void CutNext(const std::string& path, int times, int64_t bytes) {
    std::lock_guard lock(mutex_);
    cuts_[path] = {times, bytes};
  }
  int Requests(const std::string& path) const {
    int count = 0;
    for (const auto& request : server_.requests()) count += request.target == path;
    return count;
  }
  size_t AllRequests() const { return server_.requests().size(); }
  std::string Url(const std::string& path) const { return server_.Url(path); }

 private:
  void Serve(const HttpRequest& request, ServerPeer& peer) {
    Resource resource{""};
    {
      std::lock_guard lock(mutex_);
      auto found = resources_.find(request.target);
      if (found == resources_.end()) {
        peer.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        return;
      }
      resource = found->second;
      auto cut = cuts_.find(request.target);
      if (cut != cuts_.end() && cut->second.first > 0) {
        --cut->second.first;
        resource.cutAfter = cut->second.second;
      }
    }
    ServeResource(request, peer, resource);
  }

  mutable std::mutex mutex_;
  std::map<std::string, Resource> resources_;
  std::map<std::string, std::pair<int, int64_t>> cuts_;
  HttpTestServer server_;
};

class StreamHandover : public ::testing::Test {
 protected:
  // Four segments of distinct bytes under /seg/, listed by `playlist`.
  std::string PutSegments(const std::string& keyLine = {}, const std::string& key = {}) {
    std::string playlist = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n" + keyLine, joined;
    for (int i = 0; i < 4; ++i) {
      std::string bytes = PatternBytes(50000 + 1000 * i, 40 + i);
      joined += bytes;
      if (!key.empty()) {
        unsigned char iv[16] = {};
        iv[15] = static_cast<unsigned char>(i);
        bytes = EncryptForTest(key, iv, bytes);
      }
      site.Put("/seg/" + std::to_string(i) + ".ts", Resource{bytes});
      playlist += "#EXTINF:1,\n/seg/" + std::to_string(i) + ".ts\n";
    }
    this->playlist = playlist + "#EXT-X-ENDLIST\n";
    return joined;
  }

  TaskSnapshot Fetch(const std::string& path) {
    TaskOptions options;
    options.container = "ts";
    return WaitForEnd(engine, AddTask(engine, site.Url(path), out.path(), options), 30000);
  }

  Site site;
  std::string playlist;
  DownloadEngine engine{FastSettings()};
  TempDir out;
};

}  // namespace

TEST_F(StreamHandover, AnAnswerTypedAsAPlaylistBecomesAStreamTask) {
  std::string joined = PutSegments();
  Resource list{playlist};
  list.extraHeaders = kPlaylistType;
  site.Put("/watch?id=7", list);
  TaskSnapshot end = Fetch("/watch?id=7");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  ASSERT_TRUE(end.stream.has_value());
  EXPECT_TRUE(ReadFileBytes(end.file) == joined);
  // The file task's part of the playlist is gone with it.
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"watch.ts"});
}

TEST_F(StreamHandover, ABodyStartingAsAPlaylistBecomesAStreamTaskWhateverItsType) {
  std::string joined = PutSegments();
  site.Put("/download", Resource{playlist});
  TaskSnapshot end = Fetch("/download");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(end.file) == joined);
  EXPECT_EQ(FolderNames(out.path()), std::vector<std::string>{"download.ts"});
}

TEST_F(StreamHandover, ACutSegmentIsFetchedAgainAloneAndTheResultIsWhole) {
  std::string joined = PutSegments();
  site.Put("/s.m3u8", Resource{playlist});
  site.CutNext("/seg/2.ts", 2, 1000);
  TaskSnapshot end = Fetch("/s.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(end.file) == joined);
  EXPECT_EQ(site.Requests("/seg/2.ts"), 3);
  EXPECT_EQ(site.Requests("/seg/1.ts"), 1);
  EXPECT_EQ(site.Requests("/seg/3.ts"), 1);
}

TEST_F(StreamHandover, ASegmentThatNeverComesWholeFailsTheTaskNamingIt) {
  PutSegments();
  site.Put("/s.m3u8", Resource{playlist});
  site.CutNext("/seg/1.ts", 100, 1000);
  TaskSnapshot end = Fetch("/s.m3u8");
  ASSERT_EQ(end.state, TaskState::Failed);
  EXPECT_NE(end.error.find("/seg/1.ts"), std::string::npos) << end.error;
  EXPECT_NE(end.error.find("gave up"), std::string::npos) << end.error;
  EXPECT_EQ(end.cause, FailureCause::Cut);
}

TEST_F(StreamHandover, AKeySharedBySegmentsIsFetchedOnce) {
  std::string joined = PutSegments("#EXT-X-KEY:METHOD=AES-128,URI=\"/k.bin\"\n", StreamCorpus::kKeyA);
  site.Put("/k.bin", Resource{StreamCorpus::kKeyA});
  site.Put("/s.m3u8", Resource{playlist});
  TaskSnapshot end = Fetch("/s.m3u8");
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(end.file) == joined);
  EXPECT_EQ(site.Requests("/k.bin"), 1);
}

TEST_F(StreamHandover, ARefusedUriFailsBeforeAnySegmentIsAsked) {
  PutSegments();
  site.Put("/s.m3u8", Resource{"#EXTM3U\n#EXTINF:1,\n/seg/0.ts\n#EXTINF:1,\nfile:///etc/passwd\n#EXT-X-ENDLIST\n"});
  TaskSnapshot end = Fetch("/s.m3u8");
  ASSERT_EQ(end.state, TaskState::Failed);
  EXPECT_EQ(end.cause, FailureCause::Unsupported);
  EXPECT_EQ(site.AllRequests(), 1u);
  EXPECT_TRUE(FolderNames(out.path()).empty());
}

TEST_F(StreamHandover, APlaylistsOwnNameGivenByTheCallerBecomesTheContainers) {
  std::string joined = PutSegments();
  site.Put("/show.m3u8", Resource{playlist});
  TaskOptions options;
  options.container = "ts";
  options.name = "show.m3u8";
  TaskSnapshot end = WaitForEnd(engine, AddTask(engine, site.Url("/show.m3u8"), out.path(), options), 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(end.name, "show.ts");
  EXPECT_TRUE(ReadFileBytes(out / "show.ts") == joined);
}

TEST_F(StreamHandover, APausedStreamFetchesOnlyTheSegmentsItLacks) {
  std::string joined = PutSegments();
  // Segments come slowly, so that the pause falls while the later ones are
  // still on their way.
  for (int i = 0; i < 4; ++i) {
    Resource paced{PatternBytes(50000 + 1000 * i, 40 + i)};
    paced.pace = 200000;
    site.Put("/seg/" + std::to_string(i) + ".ts", paced);
  }
  site.Put("/p.m3u8", Resource{playlist});
  TaskOptions options;
  options.container = "ts";
  options.connections = 1;
  int64_t id = AddTask(engine, site.Url("/p.m3u8"), out.path(), options);
  ASSERT_TRUE(Eventually([&] { auto s = engine.Info(id)->stream; return s && s->segmentsDone >= 1; }, 20000));
  std::string error;
  ASSERT_TRUE(engine.Pause(id, error)) << error;
  int64_t kept = engine.Info(id)->stream->segmentsDone;
  ASSERT_LT(kept, 4) << "the stream was done before the pause";
  ASSERT_TRUE(engine.Start(id, error)) << error;
  TaskSnapshot end = WaitForEnd(engine, id, 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(end.file) == joined);
  for (int64_t i = 0; i < kept; ++i) EXPECT_EQ(site.Requests("/seg/" + std::to_string(i) + ".ts"), 1) << i;
}

TEST_F(StreamHandover, BadStreamOptionsAreRefusedWhenAdded) {
  std::string error;
  TaskOptions options;
  options.variant = "huge";
  EXPECT_EQ(engine.Add(site.Url("/s.m3u8"), out.path(), options, error), 0);
  EXPECT_NE(error.find("variant"), std::string::npos);
  options.variant.clear();
  options.container = "mkv";
  EXPECT_EQ(engine.Add(site.Url("/s.m3u8"), out.path(), options, error), 0);
  EXPECT_NE(error.find("container"), std::string::npos);
}

// On a clock the test moves, every step lets an exact number of bytes
// through (a fifth of a second's worth at most): the playlist and its
// segments all draw on the task's bucket.
TEST(StreamLimit, ATaskLimitChangedWhileAStreamRunsHoldsForItsSegments) {
  Site site;
  std::string playlist = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n", joined;
  for (int i = 0; i < 40; ++i) {
    std::string bytes = PatternBytes(2000, 60 + i);
    joined += bytes;
    site.Put("/limited/" + std::to_string(i) + ".ts", Resource{bytes});
    playlist += "#EXTINF:1,\n/limited/" + std::to_string(i) + ".ts\n";
  }
  site.Put("/limited.m3u8", Resource{playlist + "#EXT-X-ENDLIST\n"});
  TempDir out;
  ManualClock clock;
  EngineSettings settings = FastSettings();
  settings.clock = clock.Reader();
  DownloadEngine engine(settings);
  TaskOptions options;
  options.container = "ts";
  options.connections = 1;
  options.limit = 50000;  // 10000 bytes a step
  int64_t id = AddTask(engine, site.Url("/limited.m3u8"), out.path(), options);
  clock.Advance(std::chrono::milliseconds(200));
  // With the playlist and every answer's head, 10000 bytes hold three
  // whole segments, perhaps four, never five.
  ASSERT_TRUE(Eventually([&] { return engine.Info(id)->done >= 6000; })) << engine.Info(id)->done;
  EXPECT_LE(engine.Info(id)->done, 8000);

  Failure failure;
  ASSERT_TRUE(engine.SetTaskLimit(id, 500000, failure)) << failure.message;
  // One step of the new rate carries the other 80000 bytes; of the old
  // one it would carry 10000.
  clock.Advance(std::chrono::milliseconds(200));
  TaskSnapshot end = WaitForEnd(engine, id);
  ASSERT_EQ(end.state, TaskState::Done) << end.error << " at " << end.done;
  EXPECT_TRUE(ReadFileBytes(end.file) == joined);
}
