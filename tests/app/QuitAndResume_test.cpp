// Quitting through the window as a person does (the close button, then the
// exit box's confirm button, clicked with xdotool on the private X server)
// leaves a running download to continue by itself at the next start when
// "resume unfinished tasks" is on, exactly as a kill -9 does.
#include <stdio.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/VelmoraProcess.h"
#include "tests/app/XDisplay.h"
#include "tests/dl/support/HttpTestServer.h"
#include "tests/support/Eventually.h"

namespace {

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  return out;
}

struct ScreenWindow {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;
};

// The process's windows as the X server has them mapped.
std::vector<ScreenWindow> WindowsOf(pid_t pid) {
  std::vector<ScreenWindow> windows;
  std::istringstream ids(Capture("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
  for (std::string id; ids >> id;) {
    ScreenWindow w{id};
    std::istringstream facts(Capture("xdotool getwindowgeometry --shell " + id + " 2>/dev/null"));
    for (std::string line; std::getline(facts, line);) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const int value = std::atoi(line.c_str() + eq + 1);
      if (key == "X") w.x = value;
      if (key == "Y") w.y = value;
      if (key == "WIDTH") w.width = value;
      if (key == "HEIGHT") w.height = value;
    }
    if (w.width > 0) windows.push_back(w);
  }
  return windows;
}

// The first of the process's windows that `fits`, once there is one.
bool FindWindow(pid_t pid, ScreenWindow& found, const std::function<bool(const ScreenWindow&)>& fits) {
  return Eventually(
      [&] {
        for (const ScreenWindow& w : WindowsOf(pid)) {
          if (!fits(w)) continue;
          found = w;
          return true;
        }
        return false;
      },
      20000);
}

void ClickAt(int x, int y) {
  const std::string at = std::to_string(x) + " " + std::to_string(y);
  std::system(("xdotool mousemove " + at + " click 1").c_str());
}

void KeepPicture(const ScreenWindow& w, const std::string& name) {
  const char* dir = std::getenv("VELMORA_SCREENSHOT_DIR");
  if (!dir || !*dir) return;
  std::system(("import -window " + w.id + " " + Quoted(std::string(dir) + "/" + name + ".png") + " 2>/dev/null").c_str());
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

TEST(QuitAndResume, QuittingThroughTheWindowResumesTheDownloadAtTheNextStart) {
  SKIP_WITHOUT_X_SERVER();
  if (std::system("xdotool version >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is missing";
  TempDir home;
  const std::string downloads = home / "downloads";
  const std::string bytes = PatternBytes(3000000, 21);
  Resource file(bytes);
  file.pace = 300000;
  std::atomic<bool> slow{true};
  HttpTestServer server([&](const HttpRequest& request, ServerPeer& peer, size_t) {
    Resource answer = file;
    if (!slow) answer.pace = 0;
    ServeResource(request, peer, answer);
  });
  {
    VelmoraProcess velmora(home);
    velmora.UseDisplay();
    WriteFileBytes(home / "configure.lua",
                   "package.path = '" + BinDir() + "/ext/?.lua;' .. package.path\n"
                   "local s = require('velmora.settings') local v = s.load()\n"
                   "v.folder = '" + downloads + "' v.resume = true assert(s.save(v))\n");
    ASSERT_EQ(velmora.Run("velmora-lua", Quoted(home / "configure.lua")), 0);
    velmora.Start();
    ASSERT_TRUE(velmora.HandOver("#clicent#" + server.Url("/slow.bin")));
    ASSERT_TRUE(Eventually([&] { return StartsWith(StateOf(home, "slow.bin"), "running"); }, 20000));

    ScreenWindow main;
    ASSERT_TRUE(FindWindow(velmora.Pid(), main, [](const ScreenWindow& w) { return w.width >= 1000; }));
    KeepPicture(main, "quit-main-window");
    // The close button sits at the right end of the title bar.
    ClickAt(main.x + main.width - 26, main.y + 25);
    ScreenWindow box;
    ASSERT_TRUE(FindWindow(velmora.Pid(), box, [](const ScreenWindow& w) { return w.width < 600 && w.height < 300; }))
        << "the exit question did not show";
    KeepPicture(box, "quit-exit-box");
    // Confirm is the left of the two buttons at the bottom right.
    ClickAt(box.x + box.width - 12 - 72 - 8 - 36, box.y + box.height - 12 - 15);
    ASSERT_EQ(velmora.Wait(20), 0) << "the program did not end after the confirmation";
  }
  EXPECT_TRUE(StartsWith(StateOf(home, "slow.bin"), "queued")) << StateOf(home, "slow.bin");

  slow = false;
  VelmoraProcess again(home);
  again.Start();
  EXPECT_TRUE(Eventually([&] { return StartsWith(StateOf(home, "slow.bin"), "done"); }, 60000))
      << "no click was needed: " << StateOf(home, "slow.bin");
  EXPECT_EQ(ReadFileBytes(downloads + "/slow.bin"), bytes);
  ASSERT_TRUE(again.Close());
}
