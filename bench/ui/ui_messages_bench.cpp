// Message throughput and cross-process round trips.
//
//   posted:   a worker thread posts N messages, the window thread handles
//             them (against Qt's own cross-thread event posting, the floor
//             our queue stands on);
//   copydata: WM_COPYDATA to a window of this process through the window
//             link, from a worker (the link alone), and by running
//             velmora-send (process start included).
//
// Run with QT_QPA_PLATFORM=offscreen; velmora-send is looked up next to this
// program.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

#include "platform/WindowLink.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/CWindowWnd.h"
#include "ui/window/WindowApi.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kBenchMessage = WM_USER + 77;

class CountingWindow : public CWindowWnd {
 public:
  long expected = 0;
  long handled = 0;
  long copies = 0;

 protected:
  const char16_t* GetWindowClassName() const override { return u"BenchWindow"; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kBenchMessage) {
      if (++handled == expected) PostQuitMessage(0);
      return 0;
    }
    if (message == WM_COPYDATA) {
      ++copies;
      return static_cast<LRESULT>(reinterpret_cast<const COPYDATASTRUCT*>(lParam)->cbData);
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
  }
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double PostedPerSecond(CountingWindow& window, long count) {
  window.handled = 0;
  window.expected = count;
  const HWND hwnd = window.GetHWND();
  const auto start = Clock::now();
  std::thread worker([hwnd, count] {
    for (long i = 0; i < count; ++i) PostMessage(hwnd, kBenchMessage, static_cast<WPARAM>(i), 0);
  });
  CPaintManagerUI::MessageLoop();
  const auto elapsed = Clock::now() - start;
  worker.join();
  return count / Seconds(elapsed);
}

// The same work with plain Qt events to a plain object.
class QtCounter : public QObject {
 public:
  long expected = 0;
  long handled = 0;
  QEventLoop* loop = nullptr;

 protected:
  void customEvent(QEvent*) override {
    if (++handled == expected) loop->exit(0);
  }
};

double QtPostedPerSecond(long count) {
  QtCounter counter;
  QEventLoop loop;
  counter.expected = count;
  counter.loop = &loop;
  const auto type = static_cast<QEvent::Type>(QEvent::User + 500);
  const auto start = Clock::now();
  std::thread worker([&counter, count, type] {
    for (long i = 0; i < count; ++i) QCoreApplication::postEvent(&counter, new QEvent(type));
  });
  loop.exec();
  const auto elapsed = Clock::now() - start;
  worker.join();
  return count / Seconds(elapsed);
}

// Runs `work` on a worker while the window thread serves, returning seconds.
template <typename Work>
double ServeWhile(Work work) {
  std::atomic<double> seconds{0};
  std::thread worker([&] {
    const auto start = Clock::now();
    work();
    seconds = Seconds(Clock::now() - start);
    PostQuitMessage(0);
  });
  CPaintManagerUI::MessageLoop();
  worker.join();
  return seconds;
}

// The link serves other processes only, so a forked child plays the client;
// it uses nothing but the link's plain socket code.
double LinkRoundTripMicros(HWND target, int trips) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const std::string payload(64, 'x');
    COPYDATASTRUCT data;
    data.cbData = static_cast<DWORD>(payload.size());
    data.lpData = payload.data();
    const auto start = Clock::now();
    int ok = 0;
    for (int i = 0; i < trips; ++i) ok += ui::link::SendCopyDataRemote(target, 0, data).has_value() ? 1 : 0;
    double micros = ok == trips ? Seconds(Clock::now() - start) / trips * 1e6 : -1;
    (void)!write(fds[1], &micros, sizeof(micros));
    _exit(0);
  }
  close(fds[1]);
  double micros = -1;
  ServeWhile([&] {
    (void)!read(fds[0], &micros, sizeof(micros));
    waitpid(child, nullptr, 0);
  });
  close(fds[0]);
  return micros;
}

bool RunSend(const std::string& program, const std::string& title) {
  std::string text = "#clicent#{\"url\":\"http://example.invalid/book.zip\"}";
  const char* argv[] = {program.c_str(), "--title", title.c_str(), "--copydata", text.c_str(), nullptr};
  pid_t pid;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0, 0);
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  (void)argc;
  const std::string dir = std::filesystem::path(argv[0]).parent_path().string();
  const std::string sender = (dir.empty() ? std::string(".") : dir) + "/velmora-send";
  const std::string title = "Velmora bench " + std::to_string(getpid());
  const std::u16string wideTitle(title.begin(), title.end());

  CountingWindow window;
  if (!window.Create(nullptr, wideTitle, WS_POPUP, 0, 0, 0, 100, 100)) return 1;

  constexpr long kPosts = 1000000;
  PostedPerSecond(window, 10000);  // warm-up
  const double ours = PostedPerSecond(window, kPosts);
  const double qt = QtPostedPerSecond(kPosts);
  std::printf("posted from a worker, handled on the window thread: %.0f msg/s (Qt events: %.0f/s, ratio %.2f)\n",
              ours, qt, ours / qt);

  constexpr int kLinkTrips = 5000;
  const HWND self = window.GetHWND();
  const double linkMicros = LinkRoundTripMicros(self, kLinkTrips);
  std::printf("copy-data round trip over the link (64 bytes): %.1f us (%d trips)\n", linkMicros, kLinkTrips);

  constexpr int kSends = 200;
  long sendFailures = 0;
  const double sendSeconds = ServeWhile([&] {
    for (int i = 0; i < kSends; ++i) {
      if (!RunSend(sender, title)) ++sendFailures;
    }
  });
  std::printf("velmora-send --copydata round trip: %.2f ms (%d runs, %ld failed; %ld delivered)\n",
              sendSeconds / kSends * 1e3, kSends, sendFailures, window.copies);
  DestroyWindow(self);
  return 0;
}
