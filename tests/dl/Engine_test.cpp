// The engine's table of tasks: queue, pause, removal, limits, names, and
// how quickly each request takes effect.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "dl/PartRecord.h"
#include "platform/Files.h"
#include "tests/dl/support/EngineTestSupport.h"
#include "tests/dl/support/ManualClock.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

TEST(Engine, PauseAndRemoveTakeEffectWithinASecondAndStartContinues) {
  const std::string body = PatternBytes(2000000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource resource{body};
    resource.pace = 500000;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  std::vector<std::pair<int64_t, TaskState>> events;
  std::mutex eventsMutex;
  engine.SetListener([&](int64_t id, TaskState state) {
    std::lock_guard lock(eventsMutex);
    events.emplace_back(id, state);
  });
  int64_t id = AddTask(engine, server.Url("/p.bin"), dir.path());
  ASSERT_TRUE(Eventually([&] { return engine.Info(id)->done > 100000; }));
  std::string error;
  auto started = Clock::now();
  ASSERT_TRUE(engine.Pause(id, error));
  EXPECT_LT(SecondsSince(started), 1.0);
  EXPECT_EQ(engine.Info(id)->state, TaskState::Paused);
  EXPECT_TRUE(platform::PathExists(PartRecordPath(dir / "p.bin.part")));
  int64_t kept = engine.Info(id)->done;
  ASSERT_TRUE(engine.Start(id, error));
  // Speed things up for the rest.
  TaskSnapshot end = WaitForEnd(engine, id, 30000);
  ASSERT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_TRUE(ReadFileBytes(dir / "p.bin") == body);
  EXPECT_EQ(server.requests().back().Header("Range"), "bytes=" + std::to_string(kept) + "-");
  // The listener hears of the end just after the state turns: wait for it.
  Eventually([&] {
    std::lock_guard lock(eventsMutex);
    return events.size() >= 6;
  });
  {
    std::lock_guard lock(eventsMutex);
    std::vector<TaskState> states;
    for (auto& [eventId, state] : events) states.push_back(state);
    std::vector<TaskState> expected{TaskState::Queued, TaskState::Running, TaskState::Paused,
                                    TaskState::Queued, TaskState::Running, TaskState::Done};
    EXPECT_EQ(states, expected);
  }

  int64_t removed = AddTask(engine, server.Url("/r.bin"), dir.path());
  ASSERT_TRUE(Eventually([&] { return engine.Info(removed)->done > 50000; }));
  started = Clock::now();
  ASSERT_TRUE(engine.Remove(removed, true, error));
  EXPECT_LT(SecondsSince(started), 1.0);
  EXPECT_FALSE(engine.Info(removed));
  EXPECT_FALSE(platform::PathExists(dir / "r.bin.part"));
  EXPECT_FALSE(platform::PathExists(PartRecordPath(dir / "r.bin.part")));
  EXPECT_FALSE(engine.Remove(removed, true, error));
  EXPECT_FALSE(engine.Pause(removed, error));
}

TEST(Engine, ExitStopsRunningTransfersWithinASecondAndKeepsTheirRecords) {
  const std::string body = PatternBytes(3000000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource resource{body};
    resource.pace = 300000;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  auto engine = std::make_unique<DownloadEngine>(FastSettings());
  int64_t a = AddTask(*engine, server.Url("/a.bin"), dir.path());
  int64_t b = AddTask(*engine, server.Url("/b.bin"), dir.path());
  ASSERT_TRUE(Eventually([&] { return engine->Info(a)->done > 0 && engine->Info(b)->done > 0; }));
  auto started = Clock::now();
  engine.reset();
  EXPECT_LT(SecondsSince(started), 1.0);
  EXPECT_TRUE(platform::PathExists(PartRecordPath(dir / "a.bin.part")));
  EXPECT_TRUE(platform::PathExists(PartRecordPath(dir / "b.bin.part")));
}

TEST(Engine, MaxActiveOneQueuesTheRest) {
  const std::string body = PatternBytes(300000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource resource{body};
    resource.pace = 1000000;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  ASSERT_TRUE(engine.SetMaxActive(1));
  EXPECT_FALSE(engine.SetMaxActive(0));
  EXPECT_FALSE(engine.SetMaxActive(21));
  int64_t first = AddTask(engine, server.Url("/1.bin"), dir.path());
  int64_t second = AddTask(engine, server.Url("/2.bin"), dir.path());
  TaskOptions paused;
  paused.start = false;
  int64_t third = AddTask(engine, server.Url("/3.bin"), dir.path(), paused);
  EXPECT_EQ(engine.Info(first)->state, TaskState::Running);
  EXPECT_EQ(engine.Info(second)->state, TaskState::Queued);
  EXPECT_EQ(engine.Info(third)->state, TaskState::Paused);
  EXPECT_EQ(engine.List(), (std::vector<int64_t>{first, second, third}));
  ASSERT_EQ(WaitForEnd(engine, first).state, TaskState::Done);
  EXPECT_TRUE(Eventually([&] { return engine.Info(second)->state != TaskState::Queued; }));
  ASSERT_EQ(WaitForEnd(engine, second).state, TaskState::Done);
  EXPECT_EQ(engine.Info(third)->state, TaskState::Paused);
  EXPECT_EQ(engine.Wait(third, 10), TaskState::Paused);
}

TEST(Engine, TheGlobalLimitHoldsOverEverySecondWithoutBursts) {
  const std::string body = PatternBytes(20000000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  const int64_t limit = 1000000;
  engine.SetLimit(limit);
  int64_t id = AddTask(engine, server.Url("/limited.bin"), dir.path());
  ASSERT_TRUE(Eventually([&] { return engine.Info(id)->done > 0; }));
  auto start = Clock::now();
  int64_t startBytes = engine.Info(id)->done, previous = startBytes;
  for (int second = 1; second <= 4; ++second) {
    std::this_thread::sleep_until(start + std::chrono::seconds(second));
    int64_t now = engine.Info(id)->done;
    EXPECT_LE(now - previous, limit * 13 / 10) << "second " << second;  // no burst beyond a second's worth
    previous = now;
  }
  double rate = static_cast<double>(previous - startBytes) / SecondsSince(start);
  EXPECT_NEAR(rate, static_cast<double>(limit), limit * 0.1);
  EXPECT_GT(engine.Info(id)->speed, limit / 2);
  engine.SetLimit(0);  // live: the rest comes at full speed
  EXPECT_EQ(WaitForEnd(engine, id, 10000).state, TaskState::Done);
}

// The limits run on a clock the test moves, so every step lets through an
// exact number of bytes: what the worker may read is known, not measured.
TEST(Engine, ATaskLimitChangedWhileRunningHoldsFromTheNextReadWithoutARestart) {
  const std::string body = PatternBytes(1000000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    ServeResource(request, peer, Resource{body});
  });
  TempDir dir;
  ManualClock clock;
  EngineSettings settings = FastSettings();
  settings.clock = clock.Reader();
  DownloadEngine engine(settings);
  TaskOptions options;
  options.connections = 1;
  options.limit = 50000;  // a fifth of a second's worth: 10000 bytes a step
  int64_t id = AddTask(engine, server.Url("/live.bin"), dir.path(), options);
  auto done = [&] { return engine.Info(id)->done; };
  // Each step may bring at most the bucket's refill; the answer's head
  // takes a little of the first one.
  int64_t allowed = 0;
  auto step = [&](int64_t refill) {
    clock.Advance(std::chrono::milliseconds(200));
    allowed += refill;
    EXPECT_TRUE(Eventually([&] { return done() >= allowed - 1000; })) << done() << " of " << allowed;
    EXPECT_LE(done(), allowed);
  };
  for (int i = 0; i < 3; ++i) step(10000);

  Failure failure;
  ASSERT_TRUE(engine.SetTaskLimit(id, 500000, failure)) << failure.message;
  EXPECT_EQ(engine.Info(id)->limit, 500000);
  step(100000);
  step(100000);
  // The global limit still holds beside the task's own.
  engine.SetLimit(20000);
  step(4000);
  step(4000);
  EXPECT_EQ(engine.Info(id)->state, TaskState::Running);
  EXPECT_EQ(server.connections(), 1u) << "the new limit must not restart the transfer";

  engine.SetLimit(0);
  ASSERT_TRUE(engine.SetTaskLimit(id, 0, failure));
  TaskSnapshot end = WaitForEnd(engine, id);
  EXPECT_EQ(end.state, TaskState::Done) << end.error;
  EXPECT_EQ(end.limit, 0);
}

TEST(Engine, ATaskLimitForAnUnknownTaskOrBelowZeroIsRefused) {
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskOptions paused;
  paused.start = false;
  paused.limit = 1000;
  int64_t id = AddTask(engine, "http://127.0.0.1:9/f", dir.path(), paused);
  Failure failure;
  EXPECT_FALSE(engine.SetTaskLimit(id + 1, 1000, failure));
  EXPECT_EQ(failure.cause, FailureCause::BadInput);
  EXPECT_EQ(failure.message, "no task " + std::to_string(id + 1));
  failure = {};
  EXPECT_FALSE(engine.SetTaskLimit(id, -1, failure));
  EXPECT_EQ(failure.cause, FailureCause::BadInput);
  EXPECT_EQ(engine.Info(id)->limit, 1000) << "a refused limit leaves the old one";
  // A paused task takes it for its next start.
  EXPECT_TRUE(engine.SetTaskLimit(id, 2000, failure));
  EXPECT_EQ(engine.Info(id)->limit, 2000);
}

TEST(Engine, NamesComeFromTheServerAndNeverLeaveTheFolder) {
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    std::string disposition;
    if (request.target == "/utf8") disposition = "attachment; filename=\"x.bin\"; filename*=UTF-8''%E4%B8%AD.txt";
    if (request.target == "/gbk") disposition = "attachment; filename=\"\xD6\xD0\xCE\xC4.rar\"";
    if (request.target == "/escape") disposition = "attachment; filename=\"../../escape.sh\"";
    if (request.target == "/dots") disposition = "attachment; filename=\"..\"";
    peer.Send("HTTP/1.1 200 OK\r\nContent-Disposition: " + disposition + "\r\nContent-Length: 2\r\n\r\nok");
  });
  TempDir parent;
  std::string dir = parent / "in";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  WriteFileBytes(dir + "/escape.sh", "mine");
  DownloadEngine engine(FastSettings());
  auto nameOf = [&](const std::string& path) {
    TaskSnapshot end = WaitForEnd(engine, AddTask(engine, server.Url(path), dir));
    EXPECT_EQ(end.state, TaskState::Done) << end.error;
    EXPECT_EQ(end.file, dir + "/" + end.name);
    return end.name;
  };
  EXPECT_EQ(nameOf("/utf8"), "\xE4\xB8\xAD.txt");
  EXPECT_EQ(nameOf("/gbk"), "\xE4\xB8\xAD\xE6\x96\x87.rar");
  EXPECT_EQ(nameOf("/escape"), "escape (1).sh");
  EXPECT_EQ(nameOf("/dots"), "download");
  EXPECT_EQ(ReadFileBytes(dir + "/escape.sh"), "mine");
  EXPECT_FALSE(platform::PathExists(parent / "escape.sh"));
  // A name given by the script is made safe too, and unique.
  TaskOptions options;
  options.name = "../escape.sh";
  TaskSnapshot given = WaitForEnd(engine, AddTask(engine, server.Url("/plain"), dir, options));
  EXPECT_EQ(given.name, "escape (2).sh");
}

TEST(Engine, AThousandPausedTasksAndUnknownIds) {
  TempDir dir;
  DownloadEngine engine(FastSettings());
  TaskOptions paused;
  paused.start = false;
  for (int i = 0; i < 1000; ++i) AddTask(engine, "http://127.0.0.1:9/f" + std::to_string(i), dir.path(), paused);
  EXPECT_EQ(engine.List().size(), 1000u);
  EXPECT_EQ(engine.Info(500)->state, TaskState::Paused);
  EXPECT_FALSE(engine.Info(5000));
  std::string error;
  EXPECT_FALSE(engine.Start(5000, error));
  EXPECT_EQ(error, "no task 5000");
  EXPECT_FALSE(engine.Wait(5000, 10));
}

TEST(Engine, AWaitEndsWhenItsTaskIsRemoved) {
  const std::string body = PatternBytes(1000000);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource resource{body};
    resource.pace = 100000;
    ServeResource(request, peer, resource);
  });
  TempDir dir;
  DownloadEngine engine(FastSettings());
  int64_t id = AddTask(engine, server.Url("/w.bin"), dir.path());
  auto started = Clock::now();
  // Removed once bytes flow, by which time this thread is long in its wait.
  bool removed = false;
  std::string error;
  std::thread remover([&] {
    if (Eventually([&] { return engine.Info(id)->done > 0; })) removed = engine.Remove(id, true, error);
  });
  std::optional<TaskState> waited = engine.Wait(id, 20000);
  remover.join();
  ASSERT_TRUE(removed) << error;
  EXPECT_FALSE(waited.has_value());
  EXPECT_LT(SecondsSince(started), 2.0);
}
