// A task's own limit beside the global one, over real transfers and real
// time: measured over a ten-second window, so it runs apart from the quick
// tests (label "slow").
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
  int64_t limitedBytes = 0;
  int64_t otherBytes = 0;
  double seconds = 0;
};

// Reads both counters at the start and at the end of `length`; the wait
// between is the measurement itself.
Window Measure(DownloadEngine& engine, int64_t limited, int64_t other, std::chrono::seconds length) {
  auto start = Clock::now();
  int64_t limitedAtStart = engine.Info(limited)->done, otherAtStart = engine.Info(other)->done;
  std::this_thread::sleep_until(start + length);
  Window window;
  window.limitedBytes = engine.Info(limited)->done - limitedAtStart;
  window.otherBytes = engine.Info(other)->done - otherAtStart;
  window.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return window;
}

}  // namespace

TEST(TaskLimitTiming, ATaskLimitSetWhileRunningHoldsBesideTheGlobalLimitOverTenSeconds) {
  const std::string body = PatternBytes(20'000'000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  const int64_t global = 1536 * 1024, own = 400 * 1024;
  engine.SetLimit(global);
  // Two connections each: the task's limit is shared by all of its own.
  TaskOptions options;
  options.connections = 2;
  int64_t limited = AddTask(engine, server.Url("/limited.bin"), dir.path(), options);
  int64_t other = AddTask(engine, server.Url("/other.bin"), dir.path(), options);
  ASSERT_TRUE(Eventually([&] { return engine.Info(limited)->done > 0 && engine.Info(other)->done > 0; }));
  // Set once both share the global limit, as a user does in the details.
  Failure failure;
  ASSERT_TRUE(engine.SetTaskLimit(limited, own, failure)) << failure.message;
  // The task's bucket starts empty with the new rate, so the window may
  // start at once.
  Window window = Measure(engine, limited, other, std::chrono::seconds(10));

  double limitedRate = static_cast<double>(window.limitedBytes) / window.seconds;
  double totalRate = static_cast<double>(window.limitedBytes + window.otherBytes) / window.seconds;
  EXPECT_NEAR(limitedRate, static_cast<double>(own), own * 0.1);
  EXPECT_NEAR(totalRate, static_cast<double>(global), global * 0.1);
  EXPECT_EQ(engine.Info(limited)->state, TaskState::Running);
  EXPECT_EQ(engine.Info(other)->state, TaskState::Running);
  RecordProperty("limitedBytesPerSecond", static_cast<int>(limitedRate));
  RecordProperty("totalBytesPerSecond", static_cast<int>(totalRate));
  std::printf("limited task %.0f B/s (limit %lld), both %.0f B/s (global %lld)\n", limitedRate,
              static_cast<long long>(own), totalRate, static_cast<long long>(global));
}
