// Key notifications with modifiers for shortcuts, typing left alone in
// edits, and links, files and text dropped on a window.
#include <gtest/gtest.h>

#include "tests/ui/LayoutTestWindow.h"
#include "ui/window/Automation.h"
#include "ui/controls/DropTarget.h"
#include "ui/window/KeyModifiers.h"
#include "ui/window/WindowApi.h"
#include "ui/controls/CEditUI.h"
#include "ui/controls/CListUI.h"

using namespace ui::automation;

namespace {

const char16_t* const kLayout =
    u"<Window size=\"300,200\"><VerticalLayout>"
    u"<Edit name=\"ed\" height=\"30\"/>"
    u"<List name=\"list\" itemheight=\"20\"><ListHeader height=\"20\"><ListHeaderItem/></ListHeader></List>"
    u"</VerticalLayout></Window>";

class KeysAndDropsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window.Open(), nullptr);
    ProcessEvents();
    window.seen.clear();
  }
  HWND hwnd() { return window.GetHWND(); }

  LayoutTestWindow window{kLayout};
};

}  // namespace

TEST_F(KeysAndDropsTest, KeysReachNotifiersWithTheirModifiers) {
  window.Manager().SetFocus(window.Find<CListUI>(u"list"));
  KeyPress(hwnd(), VK_DELETE);
  KeyPress(hwnd(), 'N', u"\x0e", ui::kModControl);
  KeyPress(hwnd(), VK_F1 + 4);
  KeyPress(hwnd(), VK_RETURN, u"\r", ui::kModShift);
  KeyPress(hwnd(), 'X', u"x", ui::kModAlt);
  KeyPress(hwnd(), VK_SHIFT, {}, ui::kModShift);
  auto keys = window.Of(u"keydown");
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[0].wParam, VK_DELETE);
  EXPECT_EQ(keys[0].lParam, 0);
  EXPECT_EQ(keys[0].sender, u"list");
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('N'));
  EXPECT_EQ(keys[1].lParam, ui::kModControl);
  EXPECT_EQ(keys[2].wParam, VK_F1 + 4);
  EXPECT_EQ(keys[3].wParam, VK_RETURN);
  EXPECT_EQ(keys[3].lParam, ui::kModShift);
  EXPECT_EQ(keys[4].wParam, static_cast<WPARAM>('X'));
  EXPECT_EQ(keys[4].lParam, ui::kModAlt);

  // With nothing focused the window's root sends them.
  window.Manager().SetFocus(nullptr);
  KeyPress(hwnd(), VK_SPACE, u" ");
  ASSERT_EQ(window.Of(u"keydown").size(), 6u);
  EXPECT_EQ(window.Of(u"keydown").back().wParam, VK_SPACE);
}

TEST_F(KeysAndDropsTest, TypingInAnEditStaysTypingButShortcutsComeThrough) {
  auto* edit = window.Find<CEditUI>(u"ed");
  window.Manager().SetFocus(edit);
  TypeText(hwnd(), u"ab c");
  KeyPress(hwnd(), VK_BACK);
  KeyPress(hwnd(), VK_LEFT);
  KeyPress(hwnd(), VK_DELETE);
  KeyPress(hwnd(), 'A', u"\x01", ui::kModControl);
  KeyPress(hwnd(), VK_RETURN, u"\r");
  EXPECT_EQ(edit->GetText(), u"ab");
  EXPECT_TRUE(window.Of(u"keydown").empty());
  EXPECT_EQ(window.Of(u"return").size(), 1u);

  KeyPress(hwnd(), 'N', u"\x0e", ui::kModControl);
  KeyPress(hwnd(), VK_F1 + 4);
  KeyPress(hwnd(), VK_ESCAPE);
  auto keys = window.Of(u"keydown");
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].sender, u"ed");
  EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('N'));
  EXPECT_EQ(edit->GetText(), u"ab");
}

TEST_F(KeysAndDropsTest, DroppedLinksFilesAndTextArriveOnceTheWindowTakesDrops) {
  const POINT onList = window.Centre(u"list");
  EXPECT_FALSE(DropLinks(hwnd(), onList, {u"https://example.invalid/a.zip"})) << "windows take no drops by default";
  EXPECT_TRUE(window.Of(u"drop").empty());

  ASSERT_TRUE(ui::SetAcceptDrops(hwnd(), true));
  std::vector<TNotifyUI> drops;
  window.onNotify = [&](TNotifyUI& n) {
    if (n.sType == u"drop") drops.push_back(n);
  };
  ASSERT_TRUE(DropLinks(hwnd(), onList, {u"https://example.invalid/a b.zip", u"/tmp/x/文件.iso"}));
  ASSERT_EQ(drops.size(), 1u);
  EXPECT_EQ(window.Of(u"drop")[0].sender, u"list");
  EXPECT_EQ(drops[0].ptMouse.x, onList.x);
  EXPECT_EQ(drops[0].ptMouse.y, onList.y);
  EXPECT_EQ(drops[0].wParam, 2u);
  EXPECT_EQ(drops[0].sText, u"https://example.invalid/a%20b.zip\n/tmp/x/文件.iso");

  ASSERT_TRUE(DropText(hwnd(), window.Centre(u"ed"), u"http://a.invalid/1\r\n\r\nhttp://a.invalid/2\r\n"));
  ASSERT_EQ(drops.size(), 2u);
  EXPECT_EQ(drops[1].wParam, 2u);
  EXPECT_EQ(drops[1].sText, u"http://a.invalid/1\n\nhttp://a.invalid/2\n");
  EXPECT_EQ(window.Of(u"drop")[1].sender, u"ed");

  EXPECT_FALSE(DropText(hwnd(), onList, std::u16string(ui::kMaxDropTextUnits + 1, u'a'))) << "too much text";
  EXPECT_FALSE(DropText(hwnd(), onList, u" \n ")) << "nothing but blanks";
  EXPECT_EQ(drops.size(), 2u);

  ASSERT_TRUE(ui::SetAcceptDrops(hwnd(), false));
  EXPECT_FALSE(DropText(hwnd(), onList, u"http://a.invalid/3"));
  EXPECT_FALSE(ui::SetAcceptDrops(nullptr, true));
}
