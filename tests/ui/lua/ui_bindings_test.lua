-- The ui_* library from a script's side. Globals set by the C++ test:
-- test_pm (paint manager), test_hwnd (its window), test_notify (a "click"
-- notification from the button "go" at 3,4 with wParam 7 and lParam -2),
-- test_stranger (a light userdata that is none of our objects).

-- Script text is in the ANSI code page (GBK): these are its bytes.
local START, PC, CLIP, BUSY = "\191\170\202\188", "\181\231\196\212", "\188\244\204\249\176\229",
  "\207\194\212\216\214\208"

local function nothing(...) return select('#', ...) == 0 end

local function expect_report(pattern)
  local reports = test_reports()
  assert(#reports == 1, "expected one report, got " .. #reports)
  assert(string.find(reports[1], pattern), reports[1])
end

-- Notifications.
assert(ui_notifyType(test_notify) == "click")
local go = ui_notifySender(test_notify)
assert(ui_getName(go) == "go")
local x, y = ui_notifyPoint(test_notify)
assert(x == 3 and y == 4)
assert(ui_notifyWParam(test_notify) == 7 and ui_notifyLParam(test_notify) == -2)

-- Finding controls and their managers and windows.
assert(ui_findControl(test_pm, "go") == go)
assert(ui_findControl(test_pm, "nothing here") == nil)
assert(#test_reports() == 0)
assert(ui_getManager(go) == test_pm)
assert(ui_getWindow(test_pm) == test_hwnd)
assert(ui_getClass(go) == "ButtonUI")
assert(ui_getClass(ui_getParent(go)) == "HorizontalLayoutUI")

-- Text, tooltip, images, visibility, state.
assert(ui_setText(go, START) == true and ui_getText(go) == START)
ui_setText(go, 42)
assert(ui_getText(go) == "42")
ui_setToolTip(go, "tip")
assert(ui_getToolTip(go) == "tip")
ui_setBkImage(go, "images/logo.png")
assert(ui_getBkImage(go) == "images/logo.png")
assert(ui_setAttribute(go, "hotimage", "images/btn_min.png") == true)
assert(ui_getImage(go, "hotimage") == "images/btn_min.png")
assert(ui_setAttribute(go, "no-such-attribute", "1") == false)
ui_setVisible(go, false)
assert(ui_isVisible(go) == false)
ui_setVisible(go, true)
ui_setEnabled(go, 0)
assert(ui_isEnabled(go) == false)
ui_setEnabled(go, true)

-- Options, tabs, progress.
local o2 = ui_findControl(test_pm, "o2")
ui_setSelected(o2, true)
assert(ui_isSelected(o2) and not ui_isSelected(ui_findControl(test_pm, "o1")))
local tabs = ui_findControl(test_pm, "tabs")
assert(ui_getCurSel(tabs) == 0)
assert(ui_selectTab(tabs, 1) == true and ui_getCurSel(tabs) == 1)
assert(ui_selectTab(tabs, 5) == false)
local bar = ui_findControl(test_pm, "bar")
ui_setValue(bar, 250)
assert(ui_getValue(bar) == 100)
ui_setRange(bar, 0, 1000)
ui_setValue(bar, 250)
assert(ui_getValue(bar) == 250)

-- List rows.
local list = ui_findControl(test_pm, "list")
assert(ui_listCount(list) == 0)
assert(ui_listAddRow(list, "a.iso", "1 GB", "10") == 0)
assert(ui_listAddRow(list, "b.pdf", 2048) == 1)
assert(ui_listInsertRow(list, 0, "first") == 0)
assert(ui_listCount(list) == 3)
assert(ui_listGetCell(list, 2, 1) == "2048")
assert(ui_listSetCell(list, 2, 3, "done") == true)
assert(ui_listGetCell(list, 2, 3) == "done")
assert(ui_listGetCell(list, 9, 0) == nil)
assert(ui_listSetRowData(list, 1, 1234567) == true)
assert(ui_listGetRowData(list, 1) == 1234567)
assert(ui_listFindRowData(list, 1234567) == 1)
assert(ui_listFindRowData(list, 5) == -1)
assert(ui_listGetSel(list) == -1)
assert(ui_listSelect(list, 2) == true and ui_listGetSel(list) == 2)
assert(ui_listSelect(list, 3) == false)
assert(ui_listRemoveRow(list, 0) == true and ui_listGetSel(list) == 1)
assert(ui_listRemoveRow(list, 7) == false)
ui_listClear(list)
assert(ui_listCount(list) == 0 and ui_listGetSel(list) == -1)

local tree = ui_findControl(test_pm, "tree")
local pc = ui_treeAddNode(tree, PC)
local c = ui_treeAddNode(tree, "C:", pc)
assert(pc == 0 and c == 1 and ui_treeAddNode(tree, "x", 50) == -1)
assert(ui_treeExpand(tree, pc, false) == true)
assert(ui_listCount(tree) == 2)
assert(#test_reports() == 0)

-- Containers.
local row = ui_getParent(go)
assert(ui_childCount(row) >= 3 and ui_childAt(row, 0) == go and ui_childAt(row, 99) == nil)
-- No text of this layout has another language's words: nothing changes.
assert(ui_applyLanguage(test_pm) == 0)

-- Windows and the desktop.
assert(ui_postMessage(test_hwnd, 2858, 0, 5) == true)
assert(ui_sendMessage(test_hwnd, 2859, 3, 4) == 7)
assert(ui_postMessage(test_hwnd, 2860, 1e300, -1e300) == true)  -- clamped, not undefined
assert(ui_listSetRowData(ui_findControl(test_pm, "list"), 0, 0/0) == false)
assert(ui_openUrl("https://example.invalid/x") == true)
assert(ui_setClipboardText(CLIP) == true and ui_getClipboardText() == CLIP)
assert(ui_trayAdd(test_hwnd, 107, "Velmora", "images/tray.png") == true)
assert(ui_traySetTip(test_hwnd, 107, BUSY) == true)
assert(ui_trayAdd(test_hwnd, 108, "x", "images/no-such.png") == false)
test_reports()  -- the missing image's report
assert(ui_sendNotify(go, "custom", 1, 2) == true)
assert(#test_reports() == 0)

-- Bad arguments: reported, nothing returned, no Lua error. Checks go in
-- argument order, so only the first bad one is reported.
assert(nothing(ui_getText(nil))); expect_report("param 1 is not userdata ,type is nil")
assert(nothing(ui_getText("go"))); expect_report("param 1 is not userdata ,type is string")
assert(nothing(ui_getText(test_stranger))); expect_report("param 1 is not a control")
assert(nothing(ui_setText(go))); expect_report("param 2 is not string ,type is no value")
assert(nothing(ui_setText(go, {}))); expect_report("param 2 is not string ,type is table")
assert(nothing(ui_setVisible(go, "yes"))); expect_report("param 2 is not boolean")
assert(nothing(ui_findControl(test_stranger, "go"))); expect_report("param 1 is not a paint manager")
assert(nothing(ui_findControl(test_pm, nil))); expect_report("param 2 is not string")
assert(nothing(ui_applyLanguage(go))); expect_report("param 1 is not a paint manager")
assert(nothing(ui_applyLanguage())); expect_report("param 1 is not userdata ,type is no value")
assert(nothing(ui_listAddRow(go, "x"))); expect_report("param 1 is ButtonUI, not a list")
assert(nothing(ui_listAddRow(list, "x", {}))); expect_report("param 3 is not string")
assert(ui_listCount(list) == 0)
assert(nothing(ui_listSetCell(list, "a", 0, "x"))); expect_report("param 2 is not number")
assert(nothing(ui_isSelected(go))); expect_report("not a option")
assert(nothing(ui_selectTab(tabs))); expect_report("param 2 is not number")
assert(nothing(ui_setValue(list, 3))); expect_report("not a progress")
assert(nothing(ui_treeAddNode(list, "x"))); expect_report("not a tree view")
assert(nothing(ui_notifyType(nil))); expect_report("param 1 is not userdata")
assert(nothing(ui_getWindow(nil))); expect_report("param 1 is not userdata")
assert(nothing(ui_postMessage(test_hwnd, "x", 0, 0))); expect_report("param 2 is not number")
assert(nothing(ui_postMessage(test_hwnd, 1, {}, 0))); expect_report("param 3 is not number")
assert(nothing(ui_showWindow(test_stranger))); expect_report("param 1 is not a window")
assert(nothing(ui_trayAdd(test_hwnd, 1, "tip"))); expect_report("param 4 is not string")
assert(nothing(ui_openUrl(nil))); expect_report("param 1 is not string")
assert(nothing(ui_messageBox(test_stranger, "x"))); expect_report("param 1 is not a window")
local many = {}
for i = 1, 70 do many[i] = "x" end
assert(nothing(ui_listAddRow(list, unpack(many)))); expect_report("more than 64 cells")
assert(ui_listCount(list) == 0)
