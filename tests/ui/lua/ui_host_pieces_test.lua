-- Host pieces from a script's side: several selected rows, sorting by a
-- header click, shortcuts, drops, desktop notices and free space. Globals
-- from the C++ test: test_pm, test_hwnd, test_dir, and test_click(row,
-- modifiers) (row -1: header item number `modifiers`), test_key(vk,
-- modifiers), test_drop(utf8 text) for real input.

local SHIFT, CTRL = 1, 2
local VK_DELETE, VK_DOWN = 46, 40
-- GBK bytes of "下载完成" and of "文件".
local DONE, FILE = "\207\194\212\216\205\234\179\201", "\206\196\188\254"

local function nothing(...) return select('#', ...) == 0 end
local function expect_report(pattern)
  local reports = test_reports()
  assert(#reports == 1, "expected one report, got " .. #reports)
  assert(string.find(reports[1], pattern), reports[1])
end
local function same(a, b)
  if #a ~= #b then return false end
  for i = 1, #a do if a[i] ~= b[i] then return false end end
  return true
end

local list = ui_findControl(test_pm, "tasks")
local seen = { selection = {}, keys = {}, drops = {} }
local sortColumn, descending = nil, false

-- What the product's scripts do with each notification.
function OnOtherEvent(n)
  local kind = ui_notifyType(n)
  if kind == "selectionchanged" then
    seen.selection[#seen.selection + 1] = ui_notifyWParam(n)
  elseif kind == "headerclick" then
    local column = ui_notifyWParam(n)
    descending = (column == sortColumn) and not descending or false
    sortColumn = column
    -- Sizes sort by the byte count kept in hidden column 5.
    if column == 1 then
      ui_listSort(list, 5, descending, "number")
      ui_listSetSortMark(list, 1, descending and -1 or 1)
    else
      ui_listSort(list, column, descending)
    end
  elseif kind == "keydown" then
    local key, mods = ui_notifyWParam(n), ui_notifyLParam(n)
    seen.keys[#seen.keys + 1] = key .. "/" .. mods
    if key == VK_DELETE and mods == 0 then
      local rows = ui_listGetSelected(list)
      for i = #rows, 1, -1 do ui_listRemoveRow(list, rows[i]) end
    end
  elseif kind == "drop" then
    seen.drops[#seen.drops + 1] = { text = ui_notifyText(n), count = ui_notifyWParam(n),
                                    sender = ui_getName(ui_notifySender(n)) }
  end
end

local names = { "b-10.iso", "B-2.iso", "a.zip", "c.pdf" }
local sizes = { "1.5 GB", "20 MB", "900 KB", "3 MB" }
local bytes = { 1610612736, 20971520, 921600, 3145728 }
for i = 1, 4 do
  local row = ui_listAddRow(list, names[i], sizes[i], "", "", "", bytes[i])
  ui_listSetRowData(list, row, 100 + i)
end

-- Selection by mouse, read back as a table.
test_click(0, 0)
test_click(2, CTRL)
assert(same(ui_listGetSelected(list), { 0, 2 }))
assert(same(ui_listGetSelectedData(list), { 101, 103 }))
test_click(3, SHIFT)
assert(same(ui_listGetSelected(list), { 2, 3 }))
assert(ui_listGetSel(list) == 3)
assert(same(seen.selection, { 1, 2, 2 }))

-- Selection from the script.
assert(ui_listSetSelected(list, 0, true) == true)
assert(ui_listIsSelected(list, 0) and not ui_listIsSelected(list, 1))
assert(ui_listSetSelected(list, 9, true) == false)
ui_listSelectAll(list, false)
assert(#ui_listGetSelected(list) == 4)
ui_listClearSelection(list)
assert(#ui_listGetSelected(list) == 0 and ui_listGetSel(list) == -1)
assert(seen.selection[#seen.selection] == 0)

-- Header clicks sort: by name (natural order), again descending, by size.
test_click(-1, 0)
assert(ui_listGetCell(list, 0, 0) == "a.zip" and ui_listGetCell(list, 1, 0) == "B-2.iso"
  and ui_listGetCell(list, 2, 0) == "b-10.iso")
test_click(-1, 0)
assert(ui_listGetCell(list, 0, 0) == "c.pdf")
test_click(-1, 1)
assert(ui_listGetCell(list, 0, 0) == "a.zip" and ui_listGetCell(list, 3, 0) == "b-10.iso")
assert(ui_listGetRowData(list, 3) == 101)

-- Shortcuts: Shift+Down extends, Delete removes the selection, Ctrl+A.
test_click(0, 0)
test_key(VK_DOWN, SHIFT)
assert(same(ui_listGetSelected(list), { 0, 1 }))
test_key(VK_DELETE, 0)
assert(ui_listCount(list) == 2 and ui_listGetCell(list, 0, 0) == "B-2.iso")
ui_listSetSelected(list, 1, true)
assert(ui_listRemoveSelected(list) == 1 and ui_listCount(list) == 1)
test_key(string.byte("A"), CTRL)
assert(#ui_listGetSelected(list) == 1)
assert(same(seen.keys, { VK_DOWN .. "/" .. SHIFT, VK_DELETE .. "/0", "65/" .. CTRL }))

-- Drops: refused until the window takes them.
assert(test_drop("http://a.invalid/x") == false)
assert(ui_acceptDrops(test_hwnd, true) == true)
assert(test_drop("http://a.invalid/x\n/tmp/文件.iso") == true)
local drop = seen.drops[1]
assert(drop.count == 2 and drop.sender == "tasks")
assert(drop.text == "http://a.invalid/x\n/tmp/" .. FILE .. ".iso", drop.text)
assert(ui_acceptDrops(test_hwnd, false) == true)

-- A desktop notice (shown by the test's notifier).
assert(ui_desktopNotify(test_hwnd, "Velmora", DONE .. ": a.zip", 3000) == true)

assert(#test_reports() == 0)

-- Bad arguments: reported, nothing returned.
assert(nothing(ui_listGetSelected(test_pm))); expect_report("param 1 is not a control")
assert(nothing(ui_listSetSelected(list, 0))); expect_report("param 3 is not boolean")
assert(nothing(ui_listSort(list, "x"))); expect_report("param 2 is not number")
assert(nothing(ui_listSort(list, 0, false, "size"))); expect_report("not \"text\" or \"number\"")
assert(nothing(ui_listSetSortMark(list, 0))); expect_report("param 3 is not number")
assert(nothing(ui_notifyText(nil))); expect_report("param 1 is not userdata")
assert(nothing(ui_desktopNotify(test_hwnd, "t"))); expect_report("param 3 is not string")
assert(nothing(ui_desktopNotify(test_pm, "t", "x"))); expect_report("param 1 is not a window")
assert(nothing(ui_acceptDrops(nil))); expect_report("param 1 is not userdata")
assert(ui_listSort(list, 64) == false)
