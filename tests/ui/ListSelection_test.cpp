// Several selected rows by mouse and keyboard, sorting by a column, and the
// header's clicks and arrows; single-selection lists keep their old ways.
#include <gtest/gtest.h>

#include "tests/ui/LayoutTestWindow.h"
#include "ui/window/Automation.h"
#include "ui/window/KeyModifiers.h"
#include "ui/window/WindowApi.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"

using namespace ui::automation;
using ui::kModControl;
using ui::kModShift;

namespace {

const char16_t* const kLayout =
    u"<Window size=\"300,300\"><VerticalLayout>"
    u"<List name=\"multi\" itemheight=\"20\" multiselect=\"true\" height=\"140\"><ListHeader height=\"20\">"
    u"<ListHeaderItem text=\"Name\" width=\"150\"/><ListHeaderItem text=\"Size\"/></ListHeader></List>"
    u"<List name=\"single\" itemheight=\"20\"><ListHeader height=\"20\"><ListHeaderItem text=\"A\"/></ListHeader></List>"
    u"</VerticalLayout></Window>";

std::vector<int> Rows(std::initializer_list<int> rows) { return std::vector<int>(rows); }

class ListSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window.Open(), nullptr);
    multi = window.Find<CListUI>(u"multi");
    single = window.Find<CListUI>(u"single");
    ASSERT_TRUE(multi && single);
    for (int i = 0; i < 6; ++i) {
      multi->InsertRow({u"row" + std::u16string(1, char16_t(u'0' + i))});
      single->InsertRow({u"s"});
    }
    ProcessEvents();
    window.seen.clear();
  }
  HWND hwnd() { return window.GetHWND(); }
  POINT RowPoint(CListUI* list, int row) { return POINT{100, list->GetPos().top + 20 + row * 20 + 10}; }
  void ClickRow(int row, unsigned modifiers = 0) { Click(hwnd(), RowPoint(multi, row), Button::Left, modifiers); }

  LayoutTestWindow window{kLayout};
  CListUI* multi = nullptr;
  CListUI* single = nullptr;
};

}  // namespace

TEST_F(ListSelectionTest, CtrlTogglesShiftSelectsRangesFromTheAnchor) {
  ClickRow(1);
  ClickRow(3, kModControl);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({1, 3}));
  EXPECT_EQ(multi->GetCurSel(), 3);
  ClickRow(5, kModShift);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({3, 4, 5})) << "Shift replaces the selection with the range";
  ClickRow(0, kModShift | kModControl);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({0, 1, 2, 3, 4, 5})) << "Ctrl+Shift adds the range";
  ClickRow(0, kModControl);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({1, 2, 3, 4, 5}));
  EXPECT_EQ(multi->GetCurSel(), -1) << "the current row is always a selected one";
  ClickRow(2);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({2}));

  auto changes = window.Of(u"selectionchanged");
  ASSERT_EQ(changes.size(), 6u);
  EXPECT_EQ(changes[1].wParam, 2u);
  EXPECT_EQ(changes[1].lParam, 3);
  EXPECT_EQ(changes.back().wParam, 1u);
  EXPECT_EQ(changes.back().sender, u"multi");
  // Every click still reports its row.
  EXPECT_EQ(window.Of(u"itemclick").size(), 6u);
}

TEST_F(ListSelectionTest, KeyboardExtendsWithShiftAndCtrlASelectsAll) {
  ClickRow(2);
  KeyPress(hwnd(), VK_DOWN, {}, kModShift);
  KeyPress(hwnd(), VK_DOWN, {}, kModShift);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({2, 3, 4}));
  KeyPress(hwnd(), VK_UP, {}, kModShift);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({2, 3}));
  KeyPress(hwnd(), VK_DOWN);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({4}));
  KeyPress(hwnd(), 'A', {}, kModControl);
  EXPECT_EQ(multi->GetSelectedCount(), 6);
  EXPECT_EQ(window.Of(u"selectionchanged").back().wParam, 6u);
  KeyPress(hwnd(), VK_HOME, {}, kModShift);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({0, 1, 2, 3, 4}));
}

TEST_F(ListSelectionTest, RightClickInsideTheSelectionKeepsIt) {
  ClickRow(1);
  ClickRow(2, kModControl);
  Click(hwnd(), RowPoint(multi, 2), Button::Right);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({1, 2}));
  Click(hwnd(), RowPoint(multi, 4), Button::Right);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({4}));
  ASSERT_FALSE(window.Of(u"menu").empty());
  EXPECT_EQ(window.Of(u"menu").back().wParam, 4u);
}

TEST_F(ListSelectionTest, SingleSelectionListIgnoresModifiersAndKeepsItsNotifications) {
  Click(hwnd(), RowPoint(single, 1));
  Click(hwnd(), RowPoint(single, 3), Button::Left, kModControl);
  Click(hwnd(), RowPoint(single, 5), Button::Left, kModShift);
  EXPECT_EQ(single->GetSelectedRows(), Rows({5}));
  KeyPress(hwnd(), 'A', {}, kModControl);
  EXPECT_EQ(single->GetSelectedRows(), Rows({5}));
  auto selects = window.Of(u"itemselect");
  ASSERT_EQ(selects.size(), 3u);
  EXPECT_EQ(selects[1].wParam, 3u);
  EXPECT_EQ(selects[1].lParam, 1);
  EXPECT_TRUE(single->SelectRow(-1));
  EXPECT_EQ(single->GetSelectedCount(), 0);
  // Rows inserted above and removed keep the flags on their rows.
  single->SelectRow(2, false);
  single->InsertRow({u"new"}, 0);
  EXPECT_EQ(single->GetSelectedRows(), Rows({3}));
  EXPECT_EQ(single->GetCurSel(), 3);
  single->RemoveRow(3);
  EXPECT_EQ(single->GetSelectedCount(), 0);
  EXPECT_EQ(single->GetCurSel(), -1);
}

TEST_F(ListSelectionTest, SelectionCallsFromCodeFollowTheMode) {
  EXPECT_TRUE(multi->SetRowSelected(1, true));
  EXPECT_TRUE(multi->SetRowSelected(4, true));
  EXPECT_EQ(multi->GetSelectedRows(), Rows({1, 4}));
  EXPECT_EQ(multi->GetCurSel(), 1);
  EXPECT_TRUE(multi->SetRowSelected(1, false));
  EXPECT_EQ(multi->GetCurSel(), -1);
  EXPECT_FALSE(multi->SetRowSelected(6, true));
  EXPECT_TRUE(multi->SelectRange(5, 3, true));
  EXPECT_EQ(multi->GetSelectedRows(), Rows({3, 4, 5}));
  multi->SetMultiSelect(false);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({3})) << "leaving multi-selection keeps the current row";
  multi->ClearSelection();
  EXPECT_EQ(multi->GetSelectedCount(), 0);

  multi->SetMultiSelect(true);
  for (int i = 0; i < 6; ++i) multi->SetRowData(i, i);
  multi->SelectRange(1, 2, false);
  multi->SetRowSelected(4, true);
  EXPECT_EQ(multi->RemoveSelectedRows(), 3);
  ASSERT_EQ(multi->GetRowCount(), 3);
  EXPECT_EQ(multi->GetRowData(0), 0);
  EXPECT_EQ(multi->GetRowData(1), 3);
  EXPECT_EQ(multi->GetRowData(2), 5);
  EXPECT_EQ(multi->GetCurSel(), -1);
  EXPECT_EQ(multi->RemoveSelectedRows(), 0);
  // The anchor went with its row: Shift+click then starts at the clicked row.
  ClickRow(2, ui::kModShift);
  EXPECT_EQ(multi->GetSelectedRows(), Rows({2}));
}

TEST_F(ListSelectionTest, SortingMovesRowsWithTheirSelectionAndData) {
  multi->RemoveAllRows();
  const char16_t* names[] = {u"file10", u"File2", u"file1", u"", u"file2"};
  const char16_t* sizes[] = {u"1.5 MB", u"20", u"-3", u"x", u"2e3"};
  for (int i = 0; i < 5; ++i) {
    std::vector<std::u16string> cells{names[i], u""};
    cells.resize(8);
    cells[7] = sizes[i];
    multi->SetRowData(multi->InsertRow(cells), 100 + i);
  }
  multi->SetRowSelected(0, true, false);
  multi->SetRowSelected(2, true, false);
  ASSERT_TRUE(multi->SortRows(0, false));
  std::vector<std::intptr_t> data;
  for (int i = 0; i < 5; ++i) data.push_back(multi->GetRowData(i));
  EXPECT_EQ(data, (std::vector<std::intptr_t>{103, 102, 101, 104, 100})) << "empty, file1, File2, file2, file10";
  EXPECT_EQ(multi->GetSelectedRows(), Rows({1, 4}));
  EXPECT_EQ(multi->GetRowData(multi->GetCurSel()), 100);

  ASSERT_TRUE(multi->SortRows(7, true, CListUI::SortKind::Number));
  data.clear();
  for (int i = 0; i < 5; ++i) data.push_back(multi->GetRowData(i));
  EXPECT_EQ(data, (std::vector<std::intptr_t>{104, 101, 100, 102, 103})) << "2e3, 20, 1.5, -3, then no number";
  EXPECT_FALSE(multi->SortRows(64, false));
  EXPECT_FALSE(multi->SortRows(-1, false));
}

TEST_F(ListSelectionTest, HeaderClickNamesTheColumnAndTheMarkMovesAlong) {
  auto* header = multi->GetHeader();
  ASSERT_NE(header, nullptr);
  const RECT size = header->GetItemAt(1)->GetPos();
  Click(hwnd(), POINT{(size.left + size.right) / 2, (size.top + size.bottom) / 2});
  auto clicks = window.Of(u"headerclick");
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].sender, u"multi");
  EXPECT_EQ(clicks[0].wParam, 1u);
  EXPECT_TRUE(window.Of(u"itemselect").empty()) << "a header click selects no row";

  auto* name = dynamic_cast<CListHeaderItemUI*>(header->GetItemAt(0));
  auto* sizeItem = dynamic_cast<CListHeaderItemUI*>(header->GetItemAt(1));
  EXPECT_TRUE(multi->SetSortMark(0, 1));
  EXPECT_TRUE(multi->SetSortMark(1, -1));
  EXPECT_EQ(name->GetSortMark(), 0);
  EXPECT_EQ(sizeItem->GetSortMark(), -1);
  EXPECT_FALSE(multi->SetSortMark(2, 1));
}

TEST_F(ListSelectionTest, ARemovedHeaderIsForgottenAndAnotherCanTakeItsPlace) {
  CListHeaderUI* header = multi->GetHeader();
  ASSERT_NE(header, nullptr);
  ASSERT_TRUE(multi->Remove(header));
  EXPECT_EQ(multi->GetHeader(), nullptr);
  EXPECT_EQ(multi->GetColumnCount(), 1);
  // Laying out and painting without the header must not touch it.
  multi->SetPos(multi->GetPos());
  ProcessEvents();
  ClickRow(0);
  auto* replacement = new CListHeaderUI;
  EXPECT_TRUE(multi->Add(replacement));
  EXPECT_EQ(multi->GetHeader(), replacement);
  single->RemoveAll();
  EXPECT_EQ(single->GetHeader(), nullptr);
  ProcessEvents();
}

namespace {

// Presses on the header at x, moves to x + by, lets go. No layout pass
// runs after: the widths are what a script reads on "headerresize".
void DragHeader(HWND hwnd, CListUI* list, int x, int by) {
  const int y = list->GetPos().top + 10;
  MouseMove(hwnd, POINT{x, y});
  MouseDown(hwnd, POINT{x, y});
  MouseMove(hwnd, POINT{x + by / 2, y}, true);
  MouseMove(hwnd, POINT{x + by, y}, true);
  MouseUp(hwnd, POINT{x + by, y});
}

}  // namespace

TEST_F(ListSelectionTest, DraggingADividerResizesItsColumnAndIsNoClick) {
  const int total = multi->GetColumnWidths()[0] + multi->GetColumnWidths()[1];
  const int divider = multi->GetHeader()->GetItemAt(0)->GetPos().right;
  const int y = multi->GetPos().top + 10;
  MouseMove(hwnd(), POINT{divider + 3, y});
  EXPECT_EQ(GetClientCursor(hwnd()), ClientCursor::SizeWE) << "the divider shows it can be dragged";
  MouseMove(hwnd(), POINT{divider + 30, y});
  EXPECT_EQ(GetClientCursor(hwnd()), ClientCursor::Arrow);
  DragHeader(hwnd(), multi, divider - 2, 40);
  EXPECT_EQ(multi->GetColumnWidths(), std::vector<int>({190, total - 190}));
  auto resized = window.Of(u"headerresize");
  ASSERT_EQ(resized.size(), 1u);
  EXPECT_EQ(resized[0].sender, u"multi");
  EXPECT_EQ(resized[0].wParam, 0u);
  EXPECT_EQ(resized[0].lParam, 190);
  EXPECT_TRUE(window.Of(u"headerclick").empty()) << "a drag does not sort";

  // Never narrower than the smallest column, however far it is dragged.
  DragHeader(hwnd(), multi, 190, -400);
  EXPECT_EQ(multi->GetColumnWidths()[0], CListHeaderItemUI::kMinWidth);
  // A click away from the divider still sorts.
  Click(hwnd(), POINT{CListHeaderItemUI::kMinWidth + 60, multi->GetPos().top + 10});
  EXPECT_EQ(window.Of(u"headerclick").size(), 1u);
}

TEST(ListColumns, TheColumnRightOfAFillingOneMovesAndWidthsAreSetByScripts) {
  LayoutTestWindow window{
      u"<Window size=\"300,200\"><VerticalLayout><List name=\"l\" itemheight=\"20\"><ListHeader height=\"20\">"
      u"<ListHeaderItem text=\"Name\"/><ListHeaderItem text=\"State\" width=\"80\"/></ListHeader></List>"
      u"</VerticalLayout></Window>"};
  ASSERT_NE(window.Open(), nullptr);
  auto* list = window.Find<CListUI>(u"l");
  ASSERT_NE(list, nullptr);
  const int divider = list->GetHeader()->GetItemAt(0)->GetPos().right;
  // Dragging right narrows the fixed column on the right.
  DragHeader(window.GetHWND(), list, divider + 2, 30);
  EXPECT_EQ(list->GetColumnWidths()[1], 50);
  auto resized = window.Of(u"headerresize");
  ASSERT_EQ(resized.size(), 1u);
  EXPECT_EQ(resized[0].wParam, 1u);
  EXPECT_EQ(resized[0].lParam, 50);

  EXPECT_TRUE(list->SetColumnWidth(1, 120));
  EXPECT_FALSE(list->SetColumnWidth(0, 120)) << "the filling column keeps filling";
  EXPECT_FALSE(list->SetColumnWidth(2, 120)) << "no such column";
  EXPECT_TRUE(list->SetColumnWidth(1, 3));
  ProcessEvents();
  EXPECT_EQ(list->GetColumnWidths()[1], CListHeaderItemUI::kMinWidth);
}

TEST_F(ListSelectionTest, ARowsToolTipIsTheListsWhileTheMouseIsOnIt) {
  EXPECT_TRUE(multi->SetRowToolTip(1, u"row1\nHTTP 404 Not Found"));
  EXPECT_FALSE(multi->SetRowToolTip(6, u"none")) << "out of range";
  MouseMove(hwnd(), RowPoint(multi, 1));
  ProcessEvents();
  EXPECT_EQ(multi->GetToolTip(), u"row1\nHTTP 404 Not Found");
  MouseMove(hwnd(), RowPoint(multi, 2));
  ProcessEvents();
  EXPECT_EQ(multi->GetToolTip(), u"") << "a row without one shows none";
  // A row's text changing under the resting mouse is what shows.
  multi->SetRowToolTip(2, u"row2");
  EXPECT_EQ(multi->GetToolTip(), u"row2");
}
