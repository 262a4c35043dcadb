// Input and frame: what a press, a key or a system command turns into.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

class WindowHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OverrideMonitor(RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040});
    hwnd = CreateTestWindow(window, u"frame", 400, 300);
    ASSERT_TRUE(hwnd);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    Reset();
  }
  // Caption over the top 24 pixels, size box of 4 all round, as the main
  // window answers.
  void AnswerHitTests() {
    window.onMessage = [this](UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
      if (m != WM_NCHITTEST) return std::nullopt;
      POINT pt{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      ScreenToClient(hwnd, &pt);
      RECT rc;
      GetClientRect(hwnd, &rc);
      if (!IsZoomed(hwnd)) {
        if (pt.y < 4) return pt.x < 4 ? HTTOPLEFT : pt.x > rc.right - 4 ? HTTOPRIGHT : HTTOP;
        if (pt.y > rc.bottom - 4) return pt.x < 4 ? HTBOTTOMLEFT : pt.x > rc.right - 4 ? HTBOTTOMRIGHT : HTBOTTOM;
        if (pt.x < 4) return HTLEFT;
        if (pt.x > rc.right - 4) return HTRIGHT;
      }
      return pt.y < 24 ? HTCAPTION : HTCLIENT;
    };
  }
  TestWindow window;
  HWND hwnd = nullptr;
};

TEST_F(WindowHostTest, ClientPressesArriveInClientCoordinatesAfterTheHitTest) {
  window.messages.clear();
  Click(hwnd, POINT{30, 40});
  const auto hits = window.Of(WM_NCHITTEST);
  ASSERT_FALSE(hits.empty());
  EXPECT_EQ(GET_X_LPARAM(hits.back().lParam), 130);  // screen coordinates
  EXPECT_EQ(GET_Y_LPARAM(hits.back().lParam), 140);
  const auto down = window.Of(WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].lParam, MAKELPARAM(30, 40));
  EXPECT_EQ(down[0].wParam & MK_LBUTTON, MK_LBUTTON);
  EXPECT_EQ(window.Of(WM_LBUTTONUP).size(), 1u);
  Click(hwnd, POINT{5, 6}, Button::Right);
  EXPECT_EQ(window.Of(WM_RBUTTONDOWN).size(), 1u);
  EXPECT_EQ(window.Of(WM_RBUTTONUP).front().lParam, MAKELPARAM(5, 6));
}

TEST_F(WindowHostTest, DoubleClicksNeedTheClassStyle) {
  window.messages.clear();
  DoubleClick(hwnd, POINT{50, 50});
  EXPECT_EQ(window.Of(WM_LBUTTONDBLCLK).size(), 1u);
  TestWindow plain;
  plain.classStyle = 0;
  HWND other = CreateTestWindow(plain);
  plain.messages.clear();
  DoubleClick(other, POINT{50, 50});
  EXPECT_TRUE(plain.Of(WM_LBUTTONDBLCLK).empty());
  EXPECT_EQ(plain.Of(WM_LBUTTONDOWN).size(), 2u);
  DestroyWindow(other);
}

TEST_F(WindowHostTest, CaptionAnswerDragsTheWindowAndNoClientMessageFollows) {
  AnswerHitTests();
  window.messages.clear();
  MouseDown(hwnd, POINT{200, 10});
  MouseMove(hwnd, POINT{250, 50}, true);
  MouseUp(hwnd, POINT{250, 50});
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 150);
  EXPECT_EQ(rc.top, 140);
  EXPECT_EQ(rc.right - rc.left, 400);
  EXPECT_TRUE(window.Of(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(window.Of(WM_LBUTTONUP).empty());
}

TEST_F(WindowHostTest, EdgeAnswersResizeAndRespectTheMinimumTrackSize) {
  AnswerHitTests();
  auto hitTests = window.onMessage;
  window.onMessage = [hitTests](UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_GETMINMAXINFO) {
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize = POINT{300, 200};
      return 0;
    }
    return hitTests(m, w, l);
  };
  SendMessage(hwnd, WM_SIZE, 0, 0);  // nothing changes by a sent size
  ShowWindow(hwnd, SW_HIDE);
  ShowWindow(hwnd, SW_SHOW);
  window.messages.clear();
  // Bottom-right corner outward by 50 x 30.
  MouseDown(hwnd, POINT{398, 298});
  MouseMove(hwnd, POINT{448, 328}, true);
  MouseUp(hwnd, POINT{448, 328});
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 450);
  EXPECT_EQ(rc.bottom - rc.top, 330);
  const auto sizes = window.Of(WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().lParam, MAKELPARAM(450, 330));
}

TEST_F(WindowHostTest, MaximiseUsesTheMinMaxAnswerAndRestoreGoesBack) {
  window.onMessage = [](UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_GETMINMAXINFO) return std::nullopt;
    // As the main window answers: the work area at the origin.
    auto* info = reinterpret_cast<MINMAXINFO*>(l);
    info->ptMaxPosition = POINT{0, 0};
    info->ptMaxSize = POINT{1920, 1040};
    return 0;
  };
  window.messages.clear();
  SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(hwnd));
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.top, 0);
  EXPECT_EQ(rc.right, 1920);
  EXPECT_EQ(rc.bottom, 1040);  // the task bar stays visible
  ASSERT_FALSE(window.Of(WM_SIZE).empty());
  EXPECT_EQ(window.Of(WM_SIZE).back().wParam, SIZE_MAXIMIZED);
  EXPECT_NE(GetWindowLong(hwnd, GWL_STYLE) & WS_MAXIMIZE, 0);
  PostMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  ProcessEvents();
  EXPECT_FALSE(IsZoomed(hwnd));
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 100);
  EXPECT_EQ(rc.right - rc.left, 400);
  EXPECT_EQ(window.Of(WM_SIZE).back().wParam, SIZE_RESTORED);
}

TEST_F(WindowHostTest, MinimiseAndCloseCommands) {
  SendMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(hwnd));
  EXPECT_EQ(window.Of(WM_SIZE).back().wParam, SIZE_MINIMIZED);
  SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(hwnd));
  SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(window.Saw(WM_CLOSE));
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowHostTest, KeysBecomeKeyDownCharAndKeyUp) {
  window.messages.clear();
  KeyPress(hwnd, VK_RETURN, u"\r");
  KeyPress(hwnd, VK_ESCAPE);
  TypeText(hwnd, u"a中");
  const auto downs = window.Of(WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(downs[0].wParam, VK_RETURN);
  EXPECT_EQ(downs[1].wParam, VK_ESCAPE);
  EXPECT_EQ(downs[2].wParam, static_cast<WPARAM>('A'));
  const auto chars = window.Of(WM_CHAR);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('\r'));
  EXPECT_EQ(chars[1].wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(chars[2].wParam, static_cast<WPARAM>(u'中'));
  EXPECT_EQ(window.Of(WM_KEYUP).size(), 3u);
}

// A popup menu closes when it loses focus unless the focus went to itself:
// it needs to know where the focus went.
TEST_F(WindowHostTest, LosingActivationTellsWhereTheFocusWent) {
  TestWindow other;
  HWND otherHwnd = CreateTestWindow(other, u"other");
  SetFocus(hwnd);
  RunUntil([&] { return GetFocus() == hwnd; }, 2000);
  window.messages.clear();
  other.messages.clear();
  SetFocus(otherHwnd);
  ASSERT_TRUE(RunUntil([&] { return window.Saw(WM_KILLFOCUS); }, 2000));
  EXPECT_EQ(window.Of(WM_KILLFOCUS).back().wParam, reinterpret_cast<WPARAM>(otherHwnd));
  EXPECT_EQ(window.Of(WM_NCACTIVATE).back().wParam, 0u);
  EXPECT_TRUE(other.Saw(WM_SETFOCUS));
  EXPECT_EQ(GetFocus(), otherHwnd);
  DestroyWindow(otherHwnd);
}

TEST_F(WindowHostTest, WheelCarriesDeltaAndScreenPoint) {
  window.messages.clear();
  Wheel(hwnd, POINT{10, 20}, -120);
  const auto wheel = window.Of(WM_MOUSEWHEEL);
  ASSERT_EQ(wheel.size(), 1u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), -120);
  EXPECT_EQ(wheel[0].lParam, MAKELPARAM(110, 120));
}

TEST_F(WindowHostTest, RoundCornerRegionMasksTheWindowAndThePicture) {
  // As the main window does on WM_SIZE: the rectangle widened by one.
  HRGN region = CreateRoundRectRgn(0, 0, 401, 301, 20, 20);
  ASSERT_TRUE(region);
  EXPECT_EQ(SetWindowRgn(hwnd, region, TRUE), 1);
  EXPECT_FALSE(DeleteObject(region));  // the window owns it now
  EXPECT_EQ(SetWindowRgn(hwnd, region, TRUE), 0);
  HRGN unused = CreateRoundRectRgn(0, 0, 10, 10, 2, 2);
  EXPECT_TRUE(DeleteObject(unused));
  EXPECT_FALSE(DeleteObject(unused));

  TempDir dir;
  const std::string png = dir / "round.png";
  ASSERT_TRUE(RenderToPng(hwnd, png));
  QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(399, 299)), 0);
  EXPECT_EQ(qAlpha(image.pixel(200, 150)), 255);
  EXPECT_EQ(qAlpha(image.pixel(200, 0)), 255);
}

}  // namespace
