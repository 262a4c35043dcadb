// ui_list* for several selected rows and for the columns: the selection as
// a table, selecting from scripts, sorting rows by a column, and the
// columns' widths.
#include <cstring>
#include <vector>

#include "base/ReportError.h"
#include "ui/bindings/ScriptBindingsSupport.h"
#include "ui/bindings/ScriptBindingsTables.h"
#include "ui/controls/CListUI.h"

using namespace uiscript;

namespace {

constexpr const char* kStem = "ScriptBindingsListSelection";

CListUI* ListArg(lua_State* L, int line) { return KindArg<CListUI>(L, 1, kStem, line, "list"); }

int PushBool(lua_State* L, bool value) {
  lua_pushboolean(L, value);
  return 1;
}

// The rows are read straight from the list while the table grows, so no
// C++ object is alive if Lua runs out of memory and unwinds.
template <typename PushRow>
int PushSelectedRows(lua_State* L, CListUI* list, PushRow pushRow) {
  lua_createtable(L, list->GetSelectedCount(), 0);
  int n = 0;
  for (int row = 0; row < list->GetRowCount(); ++row) {
    if (!list->IsRowSelected(row)) continue;
    pushRow(row);
    lua_rawseti(L, -2, ++n);
  }
  return 1;
}

int ui_listGetSelected(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  return PushSelectedRows(L, list, [L](int row) { lua_pushinteger(L, row); });
}

int ui_listGetSelectedData(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  return PushSelectedRows(L, list, [L, list](int row) {
    lua_pushnumber(L, static_cast<lua_Number>(list->GetRowData(row)));
  });
}

int ui_listIsSelected(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row)) return 0;
  return PushBool(L, list->IsRowSelected(row));
}

int ui_listSetSelected(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int row = 0;
  bool selected = true;
  bool notify = true;
  if (!list || !IntArg(L, 2, kStem, __LINE__, row) || !BoolArg(L, 3, kStem, __LINE__, selected) ||
      !BoolArg(L, 4, kStem, __LINE__, notify, true, true))
    return 0;
  return PushBool(L, Guard([&] { return list->SetRowSelected(row, selected, notify); }, false));
}

int ui_listSelectAll(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  bool notify = true;
  if (!list || !BoolArg(L, 2, kStem, __LINE__, notify, true, true)) return 0;
  Guard([&] { list->SelectAll(notify); return true; }, false);
  return 0;
}

int ui_listClearSelection(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  bool notify = true;
  if (!list || !BoolArg(L, 2, kStem, __LINE__, notify, true, true)) return 0;
  Guard([&] { list->ClearSelection(notify); return true; }, false);
  return 0;
}

int ui_listRemoveSelected(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  lua_pushinteger(L, Guard([&] { return list->RemoveSelectedRows(); }, 0));
  return 1;
}

int ui_listSetMultiSelect(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  bool multi = true;
  if (!list || !BoolArg(L, 2, kStem, __LINE__, multi)) return 0;
  list->SetMultiSelect(multi);
  return 0;
}

// "text" (the default) or "number"; anything else is reported.
bool SortKindArg(lua_State* L, int index, int line, CListUI::SortKind& kind) {
  kind = CListUI::SortKind::Text;
  if (lua_isnoneornil(L, index)) return true;
  Text how;
  if (!TextArg(L, index, kStem, line, how)) return false;
  if (std::strcmp(how.data, "number") == 0) kind = CListUI::SortKind::Number;
  if (kind == CListUI::SortKind::Number || std::strcmp(how.data, "text") == 0) return true;
  ReportError(kStem, line, "(error) (%s:%d)  param %d is '%s', not \"text\" or \"number\"\n", index, how.data);
  return false;
}

int ui_listSort(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int column = 0;
  bool descending = false;
  CListUI::SortKind kind = CListUI::SortKind::Text;
  if (!list || !IntArg(L, 2, kStem, __LINE__, column) || !BoolArg(L, 3, kStem, __LINE__, descending, true, false) ||
      !SortKindArg(L, 4, __LINE__, kind))
    return 0;
  const bool sorted = Guard([&] { return list->SortRows(column, descending, kind); }, false);
  if (sorted) list->SetSortMark(column, descending ? -1 : 1);
  return PushBool(L, sorted);
}

int ui_listSetSortMark(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int column = 0;
  int order = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, column) || !IntArg(L, 3, kStem, __LINE__, order)) return 0;
  return PushBool(L, list->SetSortMark(column, order));
}

// ui_listGetColumnWidths(list) -> { width, ... }, one per header item.
int ui_listGetColumnWidths(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  if (!list) return 0;
  const std::vector<int> widths = list->GetColumnWidths();
  lua_createtable(L, static_cast<int>(widths.size()), 0);
  for (size_t i = 0; i < widths.size(); ++i) {
    lua_pushinteger(L, widths[i]);
    lua_rawseti(L, -2, static_cast<int>(i) + 1);
  }
  return 1;
}

// ui_listSetColumnWidth(list, column, width) -> true, or false for a
// column the header does not have.
int ui_listSetColumnWidth(lua_State* L) {
  CListUI* list = ListArg(L, __LINE__);
  int column = 0;
  int width = 0;
  if (!list || !IntArg(L, 2, kStem, __LINE__, column) || !IntArg(L, 3, kStem, __LINE__, width)) return 0;
  return PushBool(L, list->SetColumnWidth(column, width));
}

const luaL_Reg kFunctions[] = {
    {"ui_listGetSelected", ui_listGetSelected},
    {"ui_listGetSelectedData", ui_listGetSelectedData},
    {"ui_listIsSelected", ui_listIsSelected},
    {"ui_listSetSelected", ui_listSetSelected},
    {"ui_listSelectAll", ui_listSelectAll},
    {"ui_listClearSelection", ui_listClearSelection},
    {"ui_listRemoveSelected", ui_listRemoveSelected},
    {"ui_listSetMultiSelect", ui_listSetMultiSelect},
    {"ui_listSort", ui_listSort},
    {"ui_listSetSortMark", ui_listSetSortMark},
    {"ui_listGetColumnWidths", ui_listGetColumnWidths},
    {"ui_listSetColumnWidth", ui_listSetColumnWidth},
    {nullptr, nullptr},
};

}  // namespace

const luaL_Reg* uiscript::ListSelectionFunctions() { return kFunctions; }
