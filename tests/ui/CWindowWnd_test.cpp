// Window life: creation, modal loops, closing and the final message.
#include <gtest/gtest.h>

#include <QWindow>

#include "tests/ui/UiTestSupport.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

using namespace ui::automation;

namespace {

class CWindowWndTest : public ::testing::Test {
 protected:
  void TearDown() override { Reset(); }
};

std::vector<UINT> Kinds(const TestWindow& w) {
  std::vector<UINT> kinds;
  for (const auto& m : w.messages) kinds.push_back(m.message);
  return kinds;
}

TEST_F(CWindowWndTest, CreateRunsCreateThenSizeAndKeepsTitleAndStyle) {
  TestWindow window;
  HWND hwnd = window.Create(nullptr, u"Velmora test", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 10, 20, 320, 200);
  ASSERT_TRUE(hwnd);
  EXPECT_EQ(window.GetHWND(), hwnd);
  const auto kinds = Kinds(window);
  ASSERT_GE(kinds.size(), 3u);
  EXPECT_EQ(kinds[0], WM_NCCALCSIZE);
  EXPECT_EQ(kinds[1], WM_CREATE);
  EXPECT_TRUE(window.Saw(WM_NCPAINT));
  const auto sizes = window.Of(WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.front().lParam, MAKELPARAM(320, 200));
  EXPECT_EQ(GetWindowText(hwnd), u"Velmora test");
  EXPECT_TRUE(IsWindowVisible(hwnd));
  // The frame goes when the caption bits go, as the application windows do.
  SetWindowLong(hwnd, GWL_STYLE, (GetWindowLong(hwnd, GWL_STYLE) & ~WS_CAPTION) | WS_CLIPSIBLINGS);
  EXPECT_EQ(GetWindowLong(hwnd, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_NE(GetWindowLong(hwnd, GWL_STYLE) & WS_VISIBLE, 0);
  RECT rc;
  ASSERT_TRUE(GetClientRect(hwnd, &rc));
  EXPECT_EQ(rc.right, 320);
  EXPECT_EQ(rc.bottom, 200);
  DestroyWindow(hwnd);
}

TEST_F(CWindowWndTest, CreateFailsWhenCreateAnswersMinusOne) {
  TestWindow window;
  bool finalRan = false;
  window.onMessage = [](UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CREATE) return -1;
    return std::nullopt;
  };
  window.onFinal = [&](HWND) { finalRan = true; };
  EXPECT_EQ(window.Create(nullptr, u"x", WS_POPUP, 0), nullptr);
  EXPECT_EQ(window.GetHWND(), nullptr);
  EXPECT_TRUE(finalRan);
  EXPECT_TRUE(window.Saw(WM_DESTROY));
}

TEST_F(CWindowWndTest, CloseDestroysAndFinalMessageComesLast) {
  TestWindow window;
  HWND hwnd = CreateTestWindow(window);
  HWND finalFor = nullptr;
  window.onFinal = [&](HWND h) {
    finalFor = h;
    EXPECT_EQ(window.GetHWND(), nullptr);
  };
  window.Close(5);
  EXPECT_TRUE(IsWindow(hwnd));  // Close only posts
  ProcessEvents();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(finalFor, hwnd);
  const auto kinds = Kinds(window);
  const auto close = std::find(kinds.begin(), kinds.end(), WM_CLOSE);
  const auto destroy = std::find(kinds.begin(), kinds.end(), WM_DESTROY);
  ASSERT_NE(close, kinds.end());
  EXPECT_LT(close, destroy);
  EXPECT_EQ(kinds.back(), WM_NCDESTROY);
  EXPECT_EQ(window.Of(WM_CLOSE).front().wParam, 5u);
}

TEST_F(CWindowWndTest, ShowModalReturnsTheValueGivenToClose) {
  TestWindow owner;
  HWND ownerHwnd = CreateTestWindow(owner, u"owner");
  TestWindow dialog;
  dialog.Create(ownerHwnd, u"", 0x96C80000, 0, 0, 0, 200, 100);
  dialog.CenterWindow();
  HWND seen = nullptr;
  SetModalHook([&](HWND modal) {
    seen = modal;
    dialog.Close(42);
  });
  const HWND dialogHwnd = dialog.GetHWND();
  EXPECT_EQ(dialog.ShowModal(), 42u);
  EXPECT_EQ(seen, dialogHwnd);
  EXPECT_FALSE(IsWindow(dialogHwnd));
  EXPECT_TRUE(IsWindow(ownerHwnd));
  DestroyWindow(ownerHwnd);
}

TEST_F(CWindowWndTest, QueuedAnswersCloseNestedModalsInOrder) {
  TestWindow outer;
  outer.Create(nullptr, u"", WS_POPUP, 0, 0, 0, 100, 100);
  UINT innerResult = 0;
  SetModalHook([&](HWND modal) {
    if (modal != outer.GetHWND()) return;
    TestWindow inner;
    inner.Create(outer.GetHWND(), u"", WS_POPUP, 0, 0, 0, 50, 50);
    QueueModalAnswer(2);
    innerResult = inner.ShowModal();
    outer.Close(1);
  });
  EXPECT_EQ(outer.ShowModal(), 1u);
  EXPECT_EQ(innerResult, 2u);
}

TEST_F(CWindowWndTest, QuitDuringAModalEndsItAndStillEndsTheMainLoop) {
  TestWindow dialog;
  dialog.Create(nullptr, u"", WS_POPUP, 0, 0, 0, 100, 100);
  SetModalHook([](HWND) { PostQuitMessage(9); });
  EXPECT_EQ(dialog.ShowModal(), static_cast<UINT>(-1));
  EXPECT_TRUE(IsWindow(dialog.GetHWND()));
  EXPECT_EQ(CPaintManagerUI::MessageLoop(), 9);
  DestroyWindow(dialog.GetHWND());
}

TEST_F(CWindowWndTest, DestroyingAnOwnerDestroysItsWindowsFirst) {
  TestWindow owner;
  TestWindow child;
  HWND ownerHwnd = CreateTestWindow(owner, u"owner");
  HWND childHwnd = CreateTestWindow(child, u"child", 50, 50, ownerHwnd);
  EXPECT_EQ(GetParent(childHwnd), ownerHwnd);
  EXPECT_EQ(GetAncestorRoot(childHwnd), ownerHwnd);
  DestroyWindow(ownerHwnd);
  EXPECT_FALSE(IsWindow(childHwnd));
  EXPECT_TRUE(child.Saw(WM_NCDESTROY));
}

// An owned box must stay above its owner whatever raises the owner, or the
// owner sits blocked behind it: the window manager keeps that order only for
// a transient window of a dialog-like type.
TEST_F(CWindowWndTest, AnOwnedTopLevelWindowIsTransientForItsOwnerAndAnUnownedOneIsNot) {
  TestWindow owner;
  TestWindow box;
  HWND ownerHwnd = CreateTestWindow(owner, u"owner");
  HWND boxHwnd = CreateTestWindow(box, u"box", 50, 50, ownerHwnd);
  auto* ownerHost = ui::detail::WindowHost::From(ownerHwnd);
  auto* boxHost = ui::detail::WindowHost::From(boxHwnd);
  ASSERT_TRUE(ownerHost && boxHost);
  ASSERT_TRUE(boxHost->windowHandle());
  EXPECT_EQ(boxHost->windowHandle()->transientParent(), ownerHost->windowHandle());
  EXPECT_EQ(boxHost->windowType(), Qt::Dialog);
  EXPECT_EQ(ownerHost->windowType(), Qt::Window);
  EXPECT_EQ(ownerHost->windowHandle()->transientParent(), nullptr);
  DestroyWindow(ownerHwnd);
}

TEST_F(CWindowWndTest, AnObjectDeletedBeforeItsWindowTakesTheWindowAlongSafely) {
  HWND hwnd = nullptr;
  {
    TestWindow window;
    hwnd = CreateTestWindow(window);
    PostMessage(hwnd, WM_USER, 0, 0);
  }
  EXPECT_FALSE(IsWindow(hwnd));
  ProcessEvents();  // the queued message must not reach the deleted object
}

TEST_F(CWindowWndTest, SelfDeletingWindowInFinalMessage) {
  struct SelfDeleting : TestWindow {
    void OnFinalMessage(HWND) override { delete this; }
  };
  auto* window = new SelfDeleting;
  HWND hwnd = CreateTestWindow(*window);
  window->Close();
  ProcessEvents();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(CWindowWndTest, CenterWindowCentresOnTheWorkAreaOrTheOwner) {
  OverrideMonitor(RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040});
  TestWindow window;
  HWND hwnd = window.Create(nullptr, u"", WS_POPUP, 0, 0, 0, 400, 200);
  window.CenterWindow();
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 760);
  EXPECT_EQ(rc.top, 420);
  TestWindow child;
  child.Create(hwnd, u"", WS_VISIBLE | WS_POPUP, 0, 0, 0, 100, 50);
  window.ShowWindow();
  child.CenterWindow();
  RECT crc;
  GetWindowRect(child.GetHWND(), &crc);
  EXPECT_EQ(crc.left, 760 + 150);
  EXPECT_EQ(crc.top, 420 + 75);
  DestroyWindow(hwnd);
}

}  // namespace
