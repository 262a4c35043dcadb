-- The host-piece adapter and the view's sorting against a stand-in host:
-- the calls the scripts make and what they make of the answers.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local adapter = require("velmora.ui_adapter")

-- A notification as the host hands it: type, sender, wParam, lParam, text.
function ui_notifyType(n) return n.type end
function ui_notifySender(n) return n.sender end
function ui_notifyWParam(n) return n.w end
function ui_notifyLParam(n) return n.l end
function ui_notifyText(n) return n.text or "" end

t.case("keys come back by name with their modifiers", function()
  local name, ctrl, shift, alt = adapter.key({ type = "keydown", w = 78, l = 2 })
  t.eq(name, "N", "Ctrl+N key")
  t.ok(ctrl and not shift and not alt, "Ctrl alone")
  name, ctrl, shift, alt = adapter.key({ type = "keydown", w = 46, l = 7 })
  t.eq(name, "Delete", "Delete")
  t.ok(ctrl and shift and alt, "all three modifiers")
  t.eq(adapter.key({ type = "keydown", w = 112, l = 0 }), nil, "keys the scripts do not bind")
  t.eq(adapter.key({ type = "click", w = 46, l = 0 }), nil, "not a key")
end)

t.case("dropped text becomes its non-blank lines", function()
  local items = adapter.droppedLinks({ type = "drop", text = "http://127.0.0.1/a\n\n  https://h/b  \n" })
  t.eq(#items, 2, "items")
  t.eq(items[2], "https://h/b", "trimmed")
  t.eq(adapter.droppedLinks({ type = "click" }), nil, "not a drop")
end)

t.case("selection falls back to the current row without the host's query", function()
  function ui_listGetSel() return 3 end
  ui_listGetSelected = nil
  t.eq(#adapter.selectedRows("list"), 1, "one row")
  function ui_listGetSelected() return { 0, 2, 5 } end
  local rows = adapter.selectedRows("list")
  t.eq(#rows, 3, "every selected row")
  t.eq(rows[3], 5, "in order")
end)

t.case("delete asks once with the check box unticked unless the user ticks it", function()
  local asked = {}
  local ticked = false
  function ui_messageBox(hwnd, text, cancel, check)
    asked[#asked + 1] = { text = text, cancel = cancel, check = check }
    return 1, ticked
  end
  local confirmed, files = adapter.confirmDelete(nil, "Delete 3?", "also the files")
  t.ok(confirmed and not files, "confirmed, files kept")
  t.eq(asked[1].check, "also the files", "check box text")
  ticked = true
  confirmed, files = adapter.confirmDelete(nil, "Delete 3?", "also the files")
  t.ok(confirmed and files, "files deleted when ticked")
  function ui_messageBox() return 2, true end
  confirmed, files = adapter.confirmDelete(nil, "Delete 3?", "also the files")
  t.ok(not confirmed and not files, "cancel deletes nothing")
  -- An older host answers with one value: the files stay.
  function ui_messageBox() return 1 end
  confirmed, files = adapter.confirmDelete(nil, "Delete 3?", "also the files")
  t.ok(confirmed and not files, "no check box answer")
end)

t.case("header clicks sort by hidden keys and turn the order round", function()
  local sorts, marks = {}, {}
  function ui_findControl(_, name) return name end
  function ui_listSetMultiSelect() return true end
  function ui_listSort(list, column, descending, how)
    sorts[#sorts + 1] = string.format("%s %d %s %s", list, column, tostring(descending), how)
    return true
  end
  function ui_listSetSortMark(list, column, order) marks[#marks + 1] = string.format("%s %d %d", list, column, order) end
  local view = require("velmora.view").new("pm")
  local list, column = adapter.sortRequest({ type = "headerclick", sender = "downloadlist", w = 1 })
  t.eq(column, 1, "size column")
  view:sortBy(list, column)
  view:sortBy(list, column)
  t.eq(sorts[1], "downloadlist 6 false number", "size sorts by bytes")
  t.eq(sorts[2], "downloadlist 6 true number", "second click descends")
  t.eq(marks[2], "downloadlist 1 -1", "arrow on the visible column")
  -- A moving key puts the list in order again once, at the next tick.
  function ui_listFindRowData() return -1 end
  function ui_listAddRow() return 0 end
  function ui_listSetRowData() end
  function ui_listSetCell() end
  local task = { id = 1, name = "a", url = "http://h/a", state = "running", done = 1, total = 10, speed = 5, eta = 9,
                 error = "", folder = "/tmp" }
  view:show(task)
  t.eq(#sorts, 3, "a new row takes its place")
  function ui_listFindRowData(list) return list == "downloadlist" and 0 or -1 end
  task.total = 20
  view:show(task)
  view:show(task)
  view:resortChanged()
  view:resortChanged()
  t.eq(#sorts, 4, "one sort for the moved key")
  task.speed = 7
  view:show(task)
  view:resortChanged()
  t.eq(#sorts, 4, "a column not sorted by moves nothing")
  sorts = { sorts[1], sorts[2] }
  view:sortBy("downloadedlist", 0)
  t.eq(sorts[3], "downloadedlist 0 false text", "names sort as text")
  view:sortBy("downloadedlist", 2)
  t.eq(sorts[4], "downloadedlist 5 false number", "finishing time as a number")
end)

t.case("column widths and orders are kept and come back; damaged values are left out", function()
  function ui_findControl(_, name) return name end
  function ui_listSetMultiSelect() return true end
  local widthsOf = { downloadlist = { 250, 96, 150 }, downloadedlist = { 300, 96 } }
  function ui_listGetColumnWidths(list) return widthsOf[list] end
  local set = {}
  function ui_listSetColumnWidth(list, column, width) set[#set + 1] = list .. " " .. column .. " " .. width end
  local kept = {}
  local keeper = {
    getValue = function(_, key) return kept[key] end,
    setValue = function(_, key, value)
      if kept.refuse then return nil, "disk full" end
      kept[key] = value
      return true
    end,
  }
  local failures = {}
  local view = require("velmora.view").new("pm")
  view:restore(keeper, function(message) failures[#failures + 1] = message end)
  t.eq(#set, 0, "nothing kept yet")
  view:columnResized("downloadlist")
  view:sortBy("downloadedlist", 2)
  view:sortBy("downloadedlist", 2)
  t.eq(kept["columns.downloadlist"], "250,96,150", "widths kept")
  t.eq(kept["sort.downloadedlist"], "2 desc", "order kept")
  view:columnResized("searchedit")
  t.eq(kept["columns.searchedit"], nil, "not a task list")

  local again = require("velmora.view").new("pm")
  again:restore(keeper)
  t.eq(table.concat(set, ";"), "downloadlist 0 250;downloadlist 1 96;downloadlist 2 150", "widths set again")
  t.eq(again.order.downloadedlist.column, 2, "sorted column")
  t.eq(again.order.downloadedlist.descending, true, "direction")

  for _, bad in ipairs({ "abc", "250,,96", "0,96", "250,99999", "" }) do
    set = {}
    kept["columns.downloadlist"], kept["sort.downloadlist"] = bad, bad .. " sideways"
    require("velmora.view").new("pm"):restore(keeper)
    t.eq(#set, 0, "damaged widths '" .. bad .. "' left out")
  end
  t.eq(require("velmora.view").parseOrder("99 asc"), nil, "no such column")
  kept.refuse = true
  again:sortBy("downloadlist", 0)
  t.eq(#failures, 0, "the first view's keeper is not this one's")
  view:sortBy("downloadlist", 0)
  t.eq(failures[1], "disk full", "a failed save is told")
end)

t.case("extractions are polled until they end and counted while they run", function()
  local states = {}
  function zip_extract(archive, folder) states[archive] = "running" return archive end
  function zip_state(job) return states[job] end
  function zip_error(job) return "damaged" end
  function zip_del() end
  function zip_running()
    local n = 0
    for _, s in pairs(states) do if s == "running" then n = n + 1 end end
    return n
  end
  t.ok(adapter.extract("a.zip", "a", { id = 1 }), "started")
  t.ok(adapter.extract("b.zip", "b", { id = 2 }), "started")
  t.eq(adapter.extractionsRunning(), 2, "two running")
  local ended = {}
  adapter.poll(function(context, state, message) ended[#ended + 1] = { context.id, state, message } end)
  t.eq(#ended, 0, "nothing ended yet")
  states["a.zip"], states["b.zip"] = "done", "failed"
  adapter.poll(function(context, state, message) ended[context.id] = state .. ":" .. message end)
  t.eq(ended[1], "done:", "done")
  t.eq(ended[2], "failed:damaged", "failure with its reason")
  t.eq(adapter.extractionsRunning(), 0, "none running")
end)

t.finish()
