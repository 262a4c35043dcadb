// ui_list* and ui_tree*: the rows of lists and tree views. Rows and
// columns count from 0, as the notifications' wParam does.
#include <vector>

#include "base/ReportError.h"
#include "ui/bindings/ScriptBindingsSupport.h"
#include "ui/bindings/ScriptBindingsTables.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/CTreeViewUI.h"

using namespace uiscript;

namespace {

constexpr const char* kStem = "ScriptBindingsList";
// Cells per row a script may give at once; more are reported and refused.
constexpr int kMaxCells = 64;

CListUI* ListArg(lua_State* L, int line) { return KindArg<CListUI>(L, 1, kStem, line, "list"); }

// Checks the cell texts from `first` to the top of the stack.
bool CellArgs(lua_State* L, int first, int line, std::vector<Text>& cells) {
  const int top = lua_gettop(L);
  if (top - first + 1 > kMaxCells) {
    ReportError(kStem, line, "(error) (%s:%d) more than %d cells\n", kMaxCells);
    return false;
  }
  for (int i = first; i <= top; ++i) {
    Text text;
    if (!TextArg(L, i, kStem, line, text)) return false;
    cells.push_back(text);
  }
  return true;
}

int InsertRow(lua_State* L, CListUI* list, int index, int firstCell, int line) {
  // The vector of plain text views lives in this frame, but nothing below
  // can raise a Lua error before it is gone: the push comes after.
  int row = -1;
  {
    std::vector<Text> cells;
    if (!Guard([&] { return CellArgs(L, firstCell, line, cells); }, false)) return 0;
    row = Guard(
        [&] {
          std::vector<std::u16string> wide;
          wide.reserve(cells.size());
          for (const Text& t : cells) wide.push_back(Wide(t));
          return list->InsertRow(std::move(wide), index);
        },
        -1);
  }
  lua_pushinteger(L, row);
  return 1;
}

int ui_listAddRow(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  return InsertRow(L, list, -1, 2, __LINE__);
}

int ui_listInsertRow(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int index = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, index)) return 0;
  return InsertRow(L, list, index, 3, __LINE__);
}

int ui_listSetCell(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  int column = 0;
  Text text;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row) || !IntArg(L, 3, kStem, __LINE__, column) ||
      !TextArg(L, 4, kStem, __LINE__, text))
    return 0;
  lua_pushboolean(L, Guard([&] { return list->SetCellText(row, column, Wide(text)); }, false));
  return 1;
}

int ui_listGetCell(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  int column = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row) || !IntArg(L, 3, kStem, __LINE__, column)) return 0;
  if (row < 0 || row >= list->GetRowCount()) return 0;
  return PushOwned(L, Guard([&] { return AnsiCopy(list->GetCellText(row, column)); }, static_cast<char*>(nullptr)));
}

int ui_listRemoveRow(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row)) return 0;
  lua_pushboolean(L, list->RemoveRow(row));
  return 1;
}

int ui_listClear(lua_State* L) {
  if (CListUI* list = ListArg(L, __LINE__)) list->RemoveAllRows();
  return 0;
}

int ui_listCount(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  lua_pushinteger(L, list->GetRowCount());
  return 1;
}

int ui_listGetSel(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  lua_pushinteger(L, list->GetCurSel());
  return 1;
}

int ui_listSelect(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  bool notify = true;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row) || !BoolArg(L, 3, kStem, __LINE__, notify, true, true)) return 0;
  lua_pushboolean(L, Guard([&] { return list->SelectRow(row, notify); }, false));
  return 1;
}

int ui_listSetRowData(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  std::intptr_t data = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row) || !WordArg(L, 3, kStem, __LINE__, data)) return 0;
  lua_pushboolean(L, list->SetRowData(row, data));
  return 1;
}

int ui_listGetRowData(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row)) return 0;
  if (row < 0 || row >= list->GetRowCount()) return 0;
  lua_pushnumber(L, static_cast<lua_Number>(list->GetRowData(row)));
  return 1;
}

int ui_listFindRowData(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  std::intptr_t data = 0;
  if (!list || !WordArg(L, 2, kStem, __LINE__, data)) return 0;
  int found = -1;
  for (int row = 0; row < list->GetRowCount() && found < 0; ++row)
    if (list->GetRowData(row) == data) found = row;
  lua_pushinteger(L, found);
  return 1;
}

// ui_listSetRowToolTip(list, row, text) -> true, or false for no such row.
int ui_listSetRowToolTip(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  Text text;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row) || !TextArg(L, 3, kStem, __LINE__, text)) return 0;
  lua_pushboolean(L, Guard([&] { return list->SetRowToolTip(row, Wide(text)); }, false));
  return 1;
}

int ui_treeAddNode(lua_State* L) {
  auto* tree = KindArg<CTreeViewUI>(L, 1, kStem, __LINE__, "tree view");
  Text text;
  int parent = -1;
  if (!tree || !TextArg(L, 2, kStem, __LINE__, text)) return 0;
  if (!lua_isnoneornil(L, 3) && !IntArg(L, 3, kStem, __LINE__, parent)) return 0;
  const int row = Guard([&] { return tree->AddNode(Wide(text), parent); }, -1);
  lua_pushinteger(L, row);
  return 1;
}

int ui_treeExpand(lua_State* L) {
  auto* tree = KindArg<CTreeViewUI>(L, 1, kStem, __LINE__, "tree view");
  int row = 0;
  bool expanded = true;
  if (!tree || !IntArg(L, 2, kStem, __LINE__, row) || !BoolArg(L, 3, kStem, __LINE__, expanded, true, true))
    return 0;
  lua_pushboolean(L, Guard([&] { return tree->SetExpanded(row, expanded); }, false));
  return 1;
}

const luaL_Reg kFunctions[] = {
    {"ui_listAddRow", ui_listAddRow},
    {"ui_listInsertRow", ui_listInsertRow},
    {"ui_listSetCell", ui_listSetCell},
    {"ui_listGetCell", ui_listGetCell},
    {"ui_listRemoveRow", ui_listRemoveRow},
    {"ui_listClear", ui_listClear},
    {"ui_listCount", ui_listCount},
    {"ui_listGetSel", ui_listGetSel},
    {"ui_listSelect", ui_listSelect},
    {"ui_listSetRowData", ui_listSetRowData},
    {"ui_listGetRowData", ui_listGetRowData},
    {"ui_listFindRowData", ui_listFindRowData},
    {"ui_listSetRowToolTip", ui_listSetRowToolTip},
    {"ui_treeAddNode", ui_treeAddNode},
    {"ui_treeExpand", ui_treeExpand},
    {nullptr, nullptr},
};

}  // namespace

const luaL_Reg* uiscript::ListFunctions() { return kFunctions; }
