// Posting, sending, quitting and timers: the order and thread guarantees the
// rest of the program is written against.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/ui/UiTestSupport.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

class MessageQueueTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (window.GetHWND()) DestroyWindow(window.GetHWND());
    Reset();
  }
  TestWindow window;
};

std::vector<WPARAM> WParams(const std::vector<RecordedMessage>& messages) {
  std::vector<WPARAM> values;
  for (const auto& m : messages) values.push_back(m.wParam);
  return values;
}

TEST_F(MessageQueueTest, PostsArriveInOrderAfterThePosterReturns) {
  HWND hwnd = CreateTestWindow(window);
  ASSERT_TRUE(hwnd);
  for (WPARAM i = 0; i < 5; ++i) EXPECT_TRUE(PostMessage(hwnd, 2858, i, 0));
  EXPECT_FALSE(window.Saw(2858));  // nothing runs inside PostMessage
  ProcessEvents();
  EXPECT_EQ(WParams(window.Of(2858)), (std::vector<WPARAM>{0, 1, 2, 3, 4}));
}

TEST_F(MessageQueueTest, WorkerThreadPostsReachTheWindowThreadInOrder) {
  HWND hwnd = CreateTestWindow(window);
  std::thread::id handledOn;
  window.onMessage = [&](UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == 2964) handledOn = std::this_thread::get_id();
    return std::nullopt;
  };
  std::thread worker([hwnd] {
    for (WPARAM i = 0; i < 1000; ++i) PostMessage(hwnd, 2964, i, static_cast<LPARAM>(i) * 2);
  });
  worker.join();
  ASSERT_TRUE(RunUntil([&] { return window.Of(2964).size() == 1000; }));
  EXPECT_EQ(handledOn, std::this_thread::get_id());
  const auto got = window.Of(2964);
  for (WPARAM i = 0; i < 1000; ++i) {
    ASSERT_EQ(got[i].wParam, i);
    ASSERT_EQ(got[i].lParam, static_cast<LPARAM>(i) * 2);
  }
}

TEST_F(MessageQueueTest, SendIsSynchronousOnBothThreads) {
  HWND hwnd = CreateTestWindow(window);
  window.onMessage = [](UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_USER + 1) return static_cast<LRESULT>(w) + l;
    return std::nullopt;
  };
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 40, 2), 42);
  std::atomic<LRESULT> fromWorker{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    fromWorker = SendMessage(hwnd, WM_USER + 1, 7, 8);
    done = true;
  });
  ASSERT_TRUE(RunUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(fromWorker.load(), 15);
}

TEST_F(MessageQueueTest, InvalidTargetsAndPointerMessagesAreRefused) {
  HWND hwnd = CreateTestWindow(window);
  EXPECT_FALSE(PostMessage(nullptr, WM_USER, 0, 0));
  EXPECT_FALSE(PostMessage(hwnd, WM_COPYDATA, 0, 0));
  EXPECT_FALSE(PostMessage(hwnd, WM_GETMINMAXINFO, 0, 0));
  EXPECT_EQ(SendMessage(nullptr, WM_USER, 0, 0), 0);
  DestroyWindow(hwnd);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
}

TEST_F(MessageQueueTest, MessagesPostedToAWindowDestroyedMeanwhileAreDropped) {
  HWND hwnd = CreateTestWindow(window);
  PostMessage(hwnd, WM_USER + 5, 0, 0);
  DestroyWindow(hwnd);
  const size_t before = window.messages.size();
  ProcessEvents();
  EXPECT_EQ(window.messages.size(), before);
}

TEST_F(MessageQueueTest, QuitEndsTheLoopAfterEarlierPostsWithItsCode) {
  HWND hwnd = CreateTestWindow(window);
  PostMessage(hwnd, WM_USER + 2, 1, 0);
  PostQuitMessage(7);
  PostMessage(hwnd, WM_USER + 2, 2, 0);
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 7);
  // Like the desktop's quit flag, it waits for the queue: both posts ran.
  EXPECT_EQ(window.Of(WM_USER + 2).size(), 2u);
}

TEST_F(MessageQueueTest, QuitFromWithinAHandlerAndFromAWorker) {
  HWND hwnd = CreateTestWindow(window);
  window.onMessage = [](UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CLOSE) {
      PostQuitMessage(3);
      return 0;
    }
    return std::nullopt;
  };
  PostMessage(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 3);
  std::thread worker([] { PostQuitMessage(4); });
  worker.join();
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 4);
  EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(MessageQueueTest, TimersTickUntilKilledAndRestartWithTheSameId) {
  HWND hwnd = CreateTestWindow(window);
  EXPECT_EQ(SetTimer(hwnd, 1, 10), 1u);
  ASSERT_TRUE(RunUntil([&] { return window.Of(WM_TIMER).size() >= 3; }));
  for (const auto& m : window.Of(WM_TIMER)) EXPECT_EQ(m.wParam, 1u);
  EXPECT_TRUE(KillTimer(hwnd, 1));
  EXPECT_FALSE(KillTimer(hwnd, 1));
  ProcessEvents();
  const size_t ticks = window.Of(WM_TIMER).size();
  RunUntil([] { return false; }, 60);
  EXPECT_EQ(window.Of(WM_TIMER).size(), ticks);
  // Setting an id twice keeps one timer.
  SetTimer(hwnd, 9, 10);
  SetTimer(hwnd, 9, 10);
  window.messages.clear();
  RunUntil([] { return false; }, 100);
  const size_t nine = window.Of(WM_TIMER).size();
  EXPECT_GE(nine, 1u);
  EXPECT_LE(nine, 15u);  // two timers would give about 20
  EXPECT_EQ(SetTimer(nullptr, 1, 10), 0u);
}

TEST_F(MessageQueueTest, DestroyingTheWindowStopsItsTimers) {
  HWND hwnd = CreateTestWindow(window);
  SetTimer(hwnd, 1, 5);
  DestroyWindow(hwnd);
  window.messages.clear();
  RunUntil([] { return false; }, 40);
  EXPECT_FALSE(window.Saw(WM_TIMER));
}

}  // namespace
