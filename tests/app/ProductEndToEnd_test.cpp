// The product end to end: the real velmora on the shipped scripts and the
// real engine, downloading from loopback servers written in the test. What
// the user would see is read back from the task database and the files on
// disk; screenshots of the window are kept for a person to look at.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>

#include <QImage>
#include <gtest/gtest.h>

#include "dl/PartRecord.h"
#include "tests/app/VelmoraProcess.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/Eventually.h"

namespace {

bool WaitFor(const std::function<bool()>& condition, int seconds) { return Eventually(condition, seconds * 1000); }

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The bytes a part file's record vouches for; 0 while there is none.
int64_t RecordedBytes(const std::string& partPath) {
  PartRecord record;
  std::string why;
  return LoadPartRecord(PartRecordPath(partPath), record, why) ? record.ContiguousDone() : 0;
}

class ProductEndToEnd : public ::testing::Test {
 protected:
  // The settings a user would pick on the settings page, written by the
  // scripts' own settings module before the first start.
  void Configure(VelmoraProcess& velmora, const std::string& assignments) {
    WriteFileBytes(home / "configure.lua",
                   "package.path = " + LuaText(BinDir() + "/ext/?.lua;") + " .. package.path\n"
                   "local s = require('velmora.settings') local v = s.load()\n"
                   "v.folder = " + LuaText(downloads) + " " + assignments + "\n"
                   "assert(s.save(v))\n");
    ASSERT_EQ(velmora.Run("velmora-lua", Quoted(home / "configure.lua")), 0);
  }
  static std::string LuaText(const std::string& text) { return "'" + text + "'"; }

  TempDir home;
  const std::string downloads = home / "downloads";
};

TEST_F(ProductEndToEnd, AHandedOverLinkDownloadsWholeAndAMissingFileFailsWithItsReason) {
  const std::string bytes = PatternBytes(700000);
  Resource file(bytes);
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/missing.bin") {
      peer.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    }
    ServeResource(request, peer, file);
  });
  VelmoraProcess velmora(home);
  Configure(velmora, "");
  velmora.Start();
  ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/file.bin")));
  ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/missing.bin")));
  EXPECT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "file.bin"), "done"); }, 30)) << StateOf(home, "file.bin");
  EXPECT_EQ(ReadFileBytes(downloads + "/file.bin"), bytes);
  EXPECT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "missing.bin"), "failed"); }, 30));
  EXPECT_NE(StateOf(home, "missing.bin").find("404"), std::string::npos) << StateOf(home, "missing.bin");
  ASSERT_TRUE(velmora.Close());
}

TEST_F(ProductEndToEnd, KilledMidDownloadItResumesOrStartsOverToAWholeFile) {
  const std::string resumable = PatternBytes(3000000, 11);
  const std::string plain = PatternBytes(2000000, 12);
  Resource ranged(resumable);
  Resource ignoring(plain, "\"v1\"", false);
  ranged.pace = ignoring.pace = 400000;
  std::atomic<bool> slow{true};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource answer = request.target == "/ranged.bin" ? ranged : ignoring;
    if (!slow) answer.pace = 0;
    ServeResource(request, peer, answer);
  });
  {
    VelmoraProcess velmora(home);
    Configure(velmora, "v.resume = true");
    velmora.Start();
    ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/ranged.bin")));
    ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/ignoring.bin")));
    // Progress is recorded every few seconds: wait for some on disk.
    ASSERT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "ranged.bin"), "running"); }, 20));
    ASSERT_TRUE(WaitFor([&] { return RecordedBytes(downloads + "/ranged.bin.part") > 0; }, 20));
    velmora.Kill();
  }
  slow = false;
  const size_t before = server.requests().size();
  VelmoraProcess again(home);
  again.Start();
  EXPECT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "ranged.bin"), "done"); }, 60)) << StateOf(home, "ranged.bin");
  EXPECT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "ignoring.bin"), "done"); }, 60));
  EXPECT_EQ(ReadFileBytes(downloads + "/ranged.bin"), resumable);
  EXPECT_EQ(ReadFileBytes(downloads + "/ignoring.bin"), plain);
  bool resumedWithRange = false;
  const auto requests = server.requests();
  for (size_t i = before; i < requests.size(); ++i) {
    if (requests[i].target == "/ranged.bin" && !requests[i].Header("Range").empty()) resumedWithRange = true;
  }
  EXPECT_TRUE(resumedWithRange) << "the second start continued where the file ended";
  ASSERT_TRUE(again.Close());
}

TEST_F(ProductEndToEnd, WithALimitOfTwoTheThirdWaitsAndTheWindowShowsEveryState) {
  Resource slowFile(PatternBytes(4000000, 3));
  slowFile.pace = 200000;
  Resource quick(PatternBytes(50000, 4));
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    if (request.target == "/gone.bin") {
      peer.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    }
    ServeResource(request, peer, request.target == "/quick.bin" ? quick : slowFile);
  });
  {
    VelmoraProcess velmora(home);
    Configure(velmora, "v.concurrent = 2 v.resume = true");
    velmora.Start();
    ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/quick.bin")));
    ASSERT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "quick.bin"), "done"); }, 30));
    ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/gone.bin")));
    ASSERT_TRUE(WaitFor([&] { return StartsWith(StateOf(home, "gone.bin"), "failed"); }, 30));
    for (const char* name : {"/one.bin", "/two.bin", "/three.bin"})
      ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url(name)));
    ASSERT_TRUE(WaitFor([&] {
      int running = 0;
      for (const auto& [name, state] : StoredTasks(home)) running += StartsWith(state, "running") ? 1 : 0;
      return running == 2;
    }, 20));
    int running = 0, queued = 0;
    for (const auto& [name, state] : StoredTasks(home)) {
      running += StartsWith(state, "running") ? 1 : 0;
      queued += StartsWith(state, "queued") ? 1 : 0;
    }
    EXPECT_EQ(running, 2);
    EXPECT_EQ(queued, 1) << "the third waits for a slot";
    ASSERT_TRUE(velmora.Close());
  }
  // The window with finished, failed and (resumed) running tasks.
  const char* dir = std::getenv("VELMORA_SCREENSHOT_DIR");
  const std::string shot = std::string(dir ? dir : home.path()) + "/main-window-tasks.png";
  VelmoraProcess picture(home);
  picture.Start(" --screenshot " + Quoted(shot));
  ASSERT_EQ(picture.Wait(30), 0);
  QImage image(QString::fromStdString(shot));
  ASSERT_FALSE(image.isNull()) << shot;
  EXPECT_GE(image.width(), 600);
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 50u) << "a painted window, not a blank one";
  std::printf("screenshot: %s\n", shot.c_str());
}

}  // namespace
