// Input on the controls produces the right notifications: clicks, right
// clicks and keys; option groups, tabs, edits and list selection.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

#include "tests/ui/LayoutTestWindow.h"
#include "ui/controls/CContainerUI.h"
#include "ui/controls/CEditUI.h"
#include "ui/controls/CTextEditUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/COptionUI.h"
#include "ui/controls/CScrollBarUI.h"
#include "ui/controls/CTabLayoutUI.h"
#include "ui/controls/CTreeViewUI.h"
#include "ui/controls/ControlAutomation.h"
#include "ui/window/Automation.h"
#include "ui/window/WindowApi.h"

using namespace ui::automation;

namespace {

const char16_t* const kLayout =
    u"<Window size=\"400,300\"><VerticalLayout>"
    u"<HorizontalLayout height=\"30\">"
    u"<Button name=\"go\" width=\"60\" text=\"Go\"/><Button name=\"off\" width=\"60\" enabled=\"false\"/>"
    u"<Option name=\"o1\" group=\"g\" width=\"40\" selected=\"true\"/><Option name=\"o2\" group=\"g\" width=\"40\"/>"
    u"<CheckBox name=\"cb\" width=\"60\"/><Edit name=\"ed\" width=\"100\"/></HorizontalLayout>"
    u"<TabLayout name=\"tabs\" height=\"20\"><Control name=\"p0\"/><Control name=\"p1\"/></TabLayout>"
    u"<List name=\"list\" itemheight=\"20\"><ListHeader height=\"20\"><ListHeaderItem text=\"A\" width=\"100\"/>"
    u"<ListHeaderItem text=\"B\"/></ListHeader></List>"
    u"</VerticalLayout></Window>";

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window.Open(), nullptr);
    ProcessEvents();
    window.seen.clear();
    list = window.Find<CListUI>(u"list");
    ASSERT_NE(list, nullptr);
  }
  HWND hwnd() { return window.GetHWND(); }
  POINT RowPoint(int row) { return POINT{150, list->GetPos().top + 20 + row * 20 + 10}; }

  LayoutTestWindow window{kLayout};
  CListUI* list = nullptr;
};

}  // namespace

TEST_F(ControlsTest, WindowInitArrivesOnceAfterAttach) {
  LayoutTestWindow other(kLayout);
  ASSERT_NE(other.Open(), nullptr);
  ProcessEvents();
  ProcessEvents();
  EXPECT_EQ(other.Of(u"windowinit").size(), 1u);
}

TEST_F(ControlsTest, ButtonClicksOnlyWhenReleasedInsideAndEnabled) {
  ASSERT_TRUE(ClickControl(window.Manager(), u"go"));
  ASSERT_TRUE(ClickControl(window.Manager(), u"off"));
  auto clicks = window.Of(u"click");
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].sender, u"go");

  // Pressed inside, released outside: no click.
  MouseDown(hwnd(), window.Centre(u"go"));
  MouseUp(hwnd(), POINT{390, 290});
  EXPECT_EQ(window.Of(u"click").size(), 1u);
}

TEST_F(ControlsTest, OptionGroupKeepsOneSelectedAndCheckBoxToggles) {
  auto* o1 = window.Find<COptionUI>(u"o1");
  auto* o2 = window.Find<COptionUI>(u"o2");
  ASSERT_TRUE(o1 && o2);
  EXPECT_TRUE(o1->IsSelected());
  ASSERT_TRUE(ClickControl(window.Manager(), u"o2"));
  EXPECT_TRUE(o2->IsSelected());
  EXPECT_FALSE(o1->IsSelected());
  ASSERT_TRUE(ClickControl(window.Manager(), u"o2"));  // a group option stays selected
  EXPECT_TRUE(o2->IsSelected());
  auto changes = window.Of(u"selectchanged");
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].sender, u"o2");
  EXPECT_EQ(changes[0].wParam, 1u);
  EXPECT_EQ(window.Of(u"click").size(), 2u);

  auto* cb = window.Find<CCheckBoxUI>(u"cb");
  ASSERT_TRUE(ClickControl(window.Manager(), u"cb"));
  EXPECT_TRUE(cb->IsChecked());
  ASSERT_TRUE(ClickControl(window.Manager(), u"cb"));
  EXPECT_FALSE(cb->IsChecked());
  EXPECT_EQ(window.Of(u"selectchanged").back().wParam, 0u);
}

TEST_F(ControlsTest, TabSelectionNotifiesWithNewAndOldIndex) {
  auto* tabs = window.Find<CTabLayoutUI>(u"tabs");
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_TRUE(tabs->SelectItem(1));
  EXPECT_FALSE(tabs->SelectItem(2));
  EXPECT_FALSE(tabs->SelectItem(-1));
  auto selects = window.Of(u"tabselect");
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(selects[0].wParam, 1u);
  EXPECT_EQ(selects[0].lParam, 0);
  ProcessEvents();
  EXPECT_FALSE(window.Manager().FindControl(u"p0")->IsShown());
  EXPECT_TRUE(window.Manager().FindControl(u"p1")->IsShown());
}

TEST_F(ControlsTest, EditTakesTypedTextKeysAndFocusNotifications) {
  auto* edit = window.Find<CEditUI>(u"ed");
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(edit->LineEdit(), nullptr);
  ASSERT_TRUE(ClickControl(window.Manager(), u"ed"));
  EXPECT_EQ(window.Of(u"setfocus").size(), 1u);
  TypeText(hwnd(), u"ab");
  KeyPress(hwnd(), VK_BACK);
  TypeText(hwnd(), u"c中");
  EXPECT_EQ(edit->GetText(), u"ac中");
  EXPECT_EQ(window.Of(u"textchanged").size(), 5u);
  KeyPress(hwnd(), VK_HOME);
  TypeText(hwnd(), u"x");
  EXPECT_EQ(edit->GetText(), u"xac中");
  KeyPress(hwnd(), VK_RETURN, u"\r");
  EXPECT_EQ(window.Of(u"return").size(), 1u);
  EXPECT_EQ(edit->GetText(), u"xac中");

  edit->SetText(u"set");
  EXPECT_EQ(window.Of(u"textchanged").size(), 6u) << "SetText raises nothing";
  EXPECT_EQ(edit->LineEdit()->text(), QStringLiteral("set"));

  ASSERT_TRUE(ClickControl(window.Manager(), u"go"));
  EXPECT_EQ(window.Of(u"killfocus").size(), 1u);
  TypeText(hwnd(), u"z");
  EXPECT_EQ(edit->GetText(), u"set");
}

TEST_F(ControlsTest, ListClicksSelectAndRightClickAsksForMenu) {
  for (int i = 0; i < 3; ++i) list->InsertRow({u"row", u"cell"});
  ProcessEvents();
  Click(hwnd(), RowPoint(1));
  EXPECT_EQ(list->GetCurSel(), 1);
  ASSERT_EQ(window.Of(u"itemselect").size(), 1u);
  EXPECT_EQ(window.Of(u"itemselect")[0].wParam, 1u);
  EXPECT_EQ(window.Of(u"itemselect")[0].lParam, -1);
  ASSERT_EQ(window.Of(u"itemclick").size(), 1u);
  EXPECT_EQ(window.Of(u"itemclick")[0].sender, u"list");

  DoubleClick(hwnd(), RowPoint(2));
  ASSERT_EQ(window.Of(u"itemdoubleclick").size(), 1u);
  EXPECT_EQ(window.Of(u"itemdoubleclick")[0].wParam, 2u);

  const POINT at = RowPoint(0);
  Click(hwnd(), at, Button::Right);
  auto menus = window.Of(u"menu");
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].wParam, 0u);
  EXPECT_EQ(menus[0].pt.x, at.x);
  EXPECT_EQ(menus[0].pt.y, at.y);
  EXPECT_EQ(list->GetCurSel(), 0);

  // Keys move the selection; empty space selects nothing.
  KeyPress(hwnd(), VK_DOWN);
  KeyPress(hwnd(), VK_END);
  EXPECT_EQ(list->GetCurSel(), 2);
  Click(hwnd(), RowPoint(5));
  EXPECT_EQ(list->GetCurSel(), 2);
}

TEST_F(ControlsTest, ListRowsKeepSelectionAndDataThroughEdits) {
  for (int i = 0; i < 5; ++i) list->InsertRow({std::u16string(1, static_cast<char16_t>(u'a' + i))});
  list->SetRowData(3, 42);
  list->SelectRow(3, false);
  list->RemoveRow(0);
  EXPECT_EQ(list->GetCurSel(), 2);
  EXPECT_EQ(list->GetRowData(2), 42);
  list->InsertRow({u"new"}, 0);
  EXPECT_EQ(list->GetCurSel(), 3);
  EXPECT_TRUE(list->SetCellText(3, 4, u"far"));
  EXPECT_EQ(list->GetCellText(3, 4), u"far");
  EXPECT_EQ(list->GetCellText(3, 9), u"");
  EXPECT_FALSE(list->SetCellText(99, 0, u"x"));
  list->RemoveRow(3);
  EXPECT_EQ(list->GetCurSel(), -1);
  list->RemoveAllRows();
  EXPECT_EQ(list->GetRowCount(), 0);
  EXPECT_FALSE(list->SelectRow(0));
}

TEST_F(ControlsTest, ControlRemovedByItsOwnClickLeavesNoDanglingState) {
  window.onNotify = [&](TNotifyUI& msg) {
    if (msg.sType == u"click" && msg.pSender && msg.pSender->GetName() == u"go") {
      auto* row = dynamic_cast<CContainerUI*>(msg.pSender->GetParent());
      row->Remove(msg.pSender);
    }
  };
  ASSERT_TRUE(ClickControl(window.Manager(), u"go"));
  EXPECT_EQ(window.Manager().FindControl(u"go"), nullptr);
  MouseMove(hwnd(), POINT{5, 5});
  Click(hwnd(), POINT{5, 5});
  ProcessEvents();
  EXPECT_EQ(window.Of(u"click").size(), 1u);
}

TEST(TreeView, NodesCollapseAndHideTheirChildren) {
  CTreeViewUI tree;
  const int a = tree.AddNode(u"a");
  const int b = tree.AddNode(u"b");
  const int a1 = tree.AddNode(u"a1", a);
  const int a2 = tree.AddNode(u"a2", a);
  const int a1x = tree.AddNode(u"a1x", a1);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(a1, 1);
  EXPECT_EQ(a2, 2);
  EXPECT_EQ(a1x, 2) << "the child goes right after its parent";
  EXPECT_EQ(tree.GetCellText(3, 0), u"a2");
  EXPECT_EQ(tree.GetCellText(4, 0), u"b");
  EXPECT_EQ(tree.GetLevel(2), 2);
  EXPECT_TRUE(tree.HasChildren(0));
  EXPECT_FALSE(tree.HasChildren(4));
  EXPECT_EQ(tree.AddNode(u"bad", 99), -1);
  (void)b;

  tree.SelectRow(2, false);
  tree.SetExpanded(0, false);
  EXPECT_FALSE(tree.IsRowShown(1));
  EXPECT_FALSE(tree.IsRowShown(3));
  EXPECT_TRUE(tree.IsRowShown(4));
  EXPECT_EQ(tree.GetCurSel(), 0) << "a selection inside a collapsed node moves to the node";
  tree.SetExpanded(0, true);
  EXPECT_TRUE(tree.IsRowShown(2));
}

namespace {

const char16_t* const kScrollLayout =
    u"<Window size=\"200,100\"><VerticalLayout name=\"box\" vscrollbar=\"true\">"
    u"<Button name=\"b0\" height=\"40\"/><Button name=\"b1\" height=\"40\"/><Button name=\"b2\" height=\"40\"/>"
    u"<Button name=\"b3\" height=\"40\"/><Edit name=\"ed\" height=\"30\" maxchar=\"5\"/></VerticalLayout></Window>";

class BlankCells : public IListCallbackUI {
 public:
  std::u16string GetItemText(CControlUI*, int item, int subItem) override {
    ++asked;
    return item == 0 && subItem == 1 ? u"from callback" : u"";
  }
  int asked = 0;
};

}  // namespace

TEST(ScrollingLayout, OverflowScrollsByWheelAndKeepsTheEditInside) {
  LayoutTestWindow window(kScrollLayout);
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  auto* box = window.Find<CContainerUI>(u"box");
  ASSERT_NE(box->GetVerticalScrollBar(), nullptr);
  EXPECT_EQ(box->GetVerticalScrollBar()->GetScrollRange(), 90);
  EXPECT_EQ(window.Manager().FindControl(u"b0")->GetPos().right, 200 - CScrollBarUI::kWidth);
  auto* edit = window.Find<CEditUI>(u"ed");
  ASSERT_NE(edit->LineEdit(), nullptr);
  EXPECT_FALSE(edit->LineEdit()->isVisible()) << "scrolled out of view";

  Wheel(window.GetHWND(), POINT{50, 50}, -WHEEL_DELTA);
  ProcessEvents();
  EXPECT_GT(box->GetScrollPos(), 0);
  EXPECT_LT(window.Manager().FindControl(u"b0")->GetPos().top, 0);
  box->SetScrollPos(1000);
  ProcessEvents();
  EXPECT_EQ(box->GetScrollPos(), 90);
  EXPECT_TRUE(edit->LineEdit()->isVisible());
  EXPECT_EQ(window.Manager().FindControl(u"ed")->GetPos().bottom, 100);

  // maxchar holds for typing and for SetText.
  ASSERT_TRUE(ClickControl(window.Manager(), u"ed"));
  TypeText(window.GetHWND(), u"abcdefg");
  EXPECT_EQ(edit->GetText(), u"abcde");
  edit->SetText(u"0123456789");
  EXPECT_EQ(edit->GetText(), u"01234");
}

TEST(EditControl, ReadOnlyPasswordAndClipboardKeys) {
  LayoutTestWindow window(u"<Window size=\"200,60\"><VerticalLayout>"
                          u"<Edit name=\"pw\" height=\"30\" password=\"true\"/>"
                          u"<Edit name=\"ro\" height=\"30\" readonly=\"true\" text=\"fixed\"/></VerticalLayout></Window>");
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  auto* pw = window.Find<CEditUI>(u"pw");
  auto* ro = window.Find<CEditUI>(u"ro");
  EXPECT_EQ(pw->LineEdit()->echoMode(), QLineEdit::Password);
  ASSERT_TRUE(ClickControl(window.Manager(), u"ro"));
  TypeText(window.GetHWND(), u"x");
  KeyPress(window.GetHWND(), VK_BACK);
  EXPECT_EQ(ro->GetText(), u"fixed");
  // Select all and copy from the read-only field, paste into the other.
  // (control characters as WM_CHAR, as a keyboard with Ctrl held sends them)
  SendMessage(window.GetHWND(), WM_CHAR, 0x01, 1);
  SendMessage(window.GetHWND(), WM_CHAR, 0x03, 1);
  ASSERT_TRUE(ClickControl(window.Manager(), u"pw"));
  SendMessage(window.GetHWND(), WM_CHAR, 0x16, 1);
  EXPECT_EQ(pw->GetText(), u"fixed");
  EXPECT_EQ(window.Of(u"textchanged").size(), 1u);
  // A long text set from a script shows its beginning in a read-only field.
  ro->SetText(u"the server now sends a web page instead of the file; the downloaded part is kept");
  EXPECT_EQ(ro->LineEdit()->cursorPosition(), 0);
  pw->SetText(u"typed");
  EXPECT_EQ(pw->LineEdit()->cursorPosition(), 5) << "an editable field keeps the caret after the text";
}

// Several lines: Enter starts a line (no "return"), SetText raises nothing,
// and the cap holds for typing and for SetText alike.
TEST(TextEditControl, EnterStartsALineAndTheCapHolds) {
  LayoutTestWindow window(u"<Window size=\"200,120\"><VerticalLayout>"
                          u"<TextEdit name=\"te\" height=\"80\" maxchar=\"12\"/></VerticalLayout></Window>");
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  auto* edit = window.Find<CTextEditUI>(u"te");
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(edit->Editor(), nullptr);
  ASSERT_TRUE(ClickControl(window.Manager(), u"te"));
  TypeText(window.GetHWND(), u"ab");
  KeyPress(window.GetHWND(), VK_RETURN, u"\r");
  TypeText(window.GetHWND(), u"cd");
  EXPECT_EQ(edit->GetText(), u"ab\ncd");
  EXPECT_TRUE(window.Of(u"return").empty());
  EXPECT_FALSE(window.Of(u"textchanged").empty());
  window.seen.clear();
  edit->SetText(u"x\ny");
  EXPECT_TRUE(window.Of(u"textchanged").empty());
  EXPECT_EQ(edit->Editor()->toPlainText(), QStringLiteral("x\ny"));
  TypeText(window.GetHWND(), u"0123456789abc");
  EXPECT_LE(edit->GetText().size(), 12u);
  edit->SetText(u"0123456789abcdef");
  EXPECT_EQ(edit->GetText(), u"0123456789ab");
}

// The several-line field keeps the one-line field's editing: key messages
// edit it, a read-only one still selects and copies but takes nothing, and
// the selection reads back in its own terms.
TEST(TextEditControl, KeysReadOnlyAndSelectionFollowTheOneLineField) {
  LayoutTestWindow window(u"<Window size=\"200,160\"><VerticalLayout>"
                          u"<TextEdit name=\"te\" height=\"80\"/>"
                          u"<TextEdit name=\"ro\" height=\"80\" readonly=\"true\" text=\"a\nb\"/>"
                          u"</VerticalLayout></Window>");
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  auto* te = window.Find<CTextEditUI>(u"te");
  auto* ro = window.Find<CTextEditUI>(u"ro");
  ASSERT_NE(te->Editor(), nullptr);
  ASSERT_TRUE(ro->Editor()->isReadOnly());
  ASSERT_TRUE(ClickControl(window.Manager(), u"te"));
  TypeText(window.GetHWND(), u"abc");
  KeyPress(window.GetHWND(), VK_BACK);
  EXPECT_EQ(te->GetText(), u"ab");

  ASSERT_TRUE(ClickControl(window.Manager(), u"ro"));
  TypeText(window.GetHWND(), u"x");
  KeyPress(window.GetHWND(), VK_RETURN, u"\r");
  KeyPress(window.GetHWND(), VK_BACK);
  EXPECT_EQ(ro->GetText(), u"a\nb");
  SendMessage(window.GetHWND(), WM_CHAR, 0x01, 1);
  EXPECT_EQ(ro->GetSel(), std::make_pair(0, 3));
  SendMessage(window.GetHWND(), WM_CHAR, 0x03, 1);
  ASSERT_TRUE(ClickControl(window.Manager(), u"te"));
  EXPECT_EQ(ro->GetSel(), std::make_pair(0, 0)) << "leaving the field drops its selection";
  te->SetSel(0, 2);
  SendMessage(window.GetHWND(), WM_CHAR, 0x16, 1);
  EXPECT_EQ(te->GetText(), u"a\nb");
  EXPECT_TRUE(window.Of(u"return").empty());
}

TEST(ListControl, TextCallbackFillsEmptyCellsAndKeysKeepTheSelectionInView) {
  LayoutTestWindow window(u"<Window size=\"200,120\"><List name=\"list\" itemheight=\"20\"><ListHeader height=\"20\">"
                          u"<ListHeaderItem width=\"100\"/><ListHeaderItem/></ListHeader></List></Window>");
  ASSERT_NE(window.Open(), nullptr);
  auto* list = window.Find<CListUI>(u"list");
  BlankCells callback;
  list->SetTextCallback(&callback);
  for (int i = 0; i < 50; ++i) list->InsertRow({u"row"});
  ProcessEvents();
  EXPECT_GT(callback.asked, 0) << "painting asks for cells the rows leave empty";
  const int askedBefore = callback.asked;
  list->SetCellText(0, 0, u"own");
  ProcessEvents();
  EXPECT_GE(callback.asked, askedBefore);

  list->SelectRow(0, false);
  window.Manager().SetFocus(list);
  KeyPress(window.GetHWND(), VK_NEXT);
  KeyPress(window.GetHWND(), VK_NEXT);
  const int sel = list->GetCurSel();
  EXPECT_EQ(sel, 10);
  const int top = list->GetPos().top + 20 - list->GetVerticalScrollBar()->GetScrollPos() + sel * 20;
  EXPECT_GE(top, list->GetPos().top);
  EXPECT_LE(top + 20, list->GetPos().bottom);
  KeyPress(window.GetHWND(), VK_END);
  EXPECT_EQ(list->GetCurSel(), 49);
  EXPECT_EQ(list->GetVerticalScrollBar()->GetScrollPos(), list->GetVerticalScrollBar()->GetScrollRange());
  list->SetTextCallback(nullptr);
}

TEST(ScrollingLayout, LongUpdateNoticeGetsAScrollBar) {
  ASSERT_TRUE(UseEmbeddedSkin());
  LayoutTestWindow window(u"updateinfo.xml");
  ASSERT_NE(window.Open(), nullptr);
  CControlUI* info = window.Manager().FindControl(u"info_txt");
  ASSERT_NE(info, nullptr);
  std::u16string notice;
  for (int i = 0; i < 40; ++i) notice += u"第 " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u" 项：修复了下载列表在大量任务时的卡顿。\n";
  info->SetText(notice);
  ProcessEvents();
  auto* box = dynamic_cast<CContainerUI*>(info->GetParent());
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->GetVerticalScrollBar(), nullptr);
  EXPECT_GT(box->GetVerticalScrollBar()->GetScrollRange(), 200);
  EXPECT_GT(info->GetPos().bottom - info->GetPos().top, box->GetPos().bottom - box->GetPos().top);
  info->SetText(u"短");
  ProcessEvents();
  EXPECT_EQ(box->GetVerticalScrollBar()->GetScrollRange(), 0);
}

TEST(ScrollingLayout, DraggingTheThumbAndClickingTheTrackScroll) {
  LayoutTestWindow window(u"<Window size=\"200,100\"><List name=\"list\" itemheight=\"20\"/></Window>");
  ASSERT_NE(window.Open(), nullptr);
  auto* list = window.Find<CListUI>(u"list");
  for (int i = 0; i < 100; ++i) list->InsertRow({u"row"});
  ProcessEvents();
  CScrollBarUI* bar = list->GetVerticalScrollBar();
  ASSERT_EQ(bar->GetScrollRange(), 100 * 20 - 100);
  const RECT track = bar->GetPos();
  const LONG x = (track.left + track.right) / 2;
  MouseDown(window.GetHWND(), POINT{x, track.top + 5});
  MouseMove(window.GetHWND(), POINT{x, track.top + 45}, true);
  MouseUp(window.GetHWND(), POINT{x, track.top + 45});
  const int dragged = bar->GetScrollPos();
  EXPECT_GT(dragged, 500);
  EXPECT_LT(dragged, bar->GetScrollRange());
  Click(window.GetHWND(), POINT{x, track.bottom - 2});
  EXPECT_GT(bar->GetScrollPos(), dragged) << "a click below the thumb pages down";
  EXPECT_EQ(list->GetCurSel(), -1) << "scroll bar clicks select no row";
}

TEST(ToolTips, ShowAfterRestingAndHideOnLeaving) {
  LayoutTestWindow window(u"<Window size=\"200,100\"><HorizontalLayout><Button name=\"tipped\" width=\"80\" "
                          u"tooltip=\"最小化\"/><Control name=\"plain\"/></HorizontalLayout></Window>");
  ASSERT_NE(window.Open(), nullptr);
  ProcessEvents();
  MouseMove(window.GetHWND(), window.Centre(u"tipped"));
  ASSERT_TRUE(RunUntil([] { return QToolTip::isVisible(); }, 3000));
  EXPECT_EQ(QToolTip::text(), QStringLiteral("最小化"));
  MouseMove(window.GetHWND(), window.Centre(u"plain"));
  EXPECT_TRUE(RunUntil([] { return !QToolTip::isVisible(); }, 3000));
}

TEST_F(ControlsTest, TabWalksTheFocusChainInLayoutOrder) {
  ASSERT_TRUE(ClickControl(window.Manager(), u"ed"));
  ASSERT_EQ(window.Manager().GetFocus(), window.Manager().FindControl(u"ed"));
  // (as a key message: Qt's own widget focus chain takes real Tab presses
  // on the window before they become messages)
  SendMessage(hwnd(), WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(window.Manager().GetFocus(), list) << "the edit hands on to the list";
  EXPECT_EQ(window.Find<CEditUI>(u"ed")->GetText(), u"") << "Tab types nothing";
  SendMessage(hwnd(), WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(window.Manager().GetFocus(), window.Manager().FindControl(u"go")) << "wraps, skipping nothing enabled";
  SendMessage(hwnd(), WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(window.Manager().GetFocus(), window.Manager().FindControl(u"o1")) << "the disabled button is skipped";
}

TEST_F(ControlsTest, TabPressedInTheLineEditFollowsTheWindowChain) {
  ASSERT_TRUE(ClickControl(window.Manager(), u"ed"));
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
  QCoreApplication::sendEvent(window.Find<CEditUI>(u"ed")->LineEdit(), &tab);
  EXPECT_EQ(window.Manager().GetFocus(), list);
  QKeyEvent back(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
  window.Manager().SetFocus(window.Manager().FindControl(u"ed"));
  QCoreApplication::sendEvent(window.Find<CEditUI>(u"ed")->LineEdit(), &back);
  EXPECT_EQ(window.Manager().GetFocus(), window.Manager().FindControl(u"cb"));
}

TEST(EditControl, AutofocusTakesTheKeyboardWhenTheWindowOpens) {
  ASSERT_TRUE(UseEmbeddedSkin());
  LayoutTestWindow window(u"input.xml");
  ASSERT_NE(window.Open(), nullptr);
  ASSERT_TRUE(RunUntil([&] { return !window.Of(u"windowinit").empty(); }, 2000));
  EXPECT_EQ(window.Manager().GetFocus(), window.Manager().FindControl(u"edtInput"));
  TypeText(window.GetHWND(), u"abc");
  EXPECT_EQ(window.Manager().FindControl(u"edtInput")->GetText(), u"abc");
}
