-- The host pieces the scripts use beyond the basic controls: several
-- selected rows, column sorting, keys with modifiers, dropped links,
-- desktop notifications, free space, archive extraction. Each is looked up
-- here and only here; a host that lacks one (an older build, the script
-- tests' bare interpreter) gets the fallback below (one selected row, no
-- sorting, no shortcuts, ...), so the rest of the scripts never ask.
local host = require("velmora.host")

local M = {}

local has = host.has

-- Lua 5.1 has no bit operators; modifiers are 1 Shift, 2 Ctrl, 4 Alt.
local function bitSet(mask, bit) return math.floor((tonumber(mask) or 0) / bit) % 2 == 1 end

-- enableMultiSelect(list): Ctrl/Shift clicks select several rows.
function M.enableMultiSelect(list)
  if list and has("ui_listSetMultiSelect") then host.ui_listSetMultiSelect(list, true) end
end

-- selectedRows(list) -> array of row indices, in list order.
function M.selectedRows(list)
  if has("ui_listGetSelected") then
    local rows = host.ui_listGetSelected(list)
    if type(rows) == "table" then return rows end
  end
  local row = host.ui_listGetSel(list)
  if type(row) == "number" and row >= 0 then return { row } end
  return {}
end

-- selectAll(list) -> true when every row is now selected.
function M.selectAll(list)
  if not list or not has("ui_listSelectAll") then return false end
  return host.ui_listSelectAll(list) ~= false
end

-- sortRequest(n) -> the list and the visible column a header click asks to
-- sort by, or nil.
function M.sortRequest(n)
  if host.ui_notifyType(n) ~= "headerclick" then return nil end
  local column = host.ui_notifyWParam(n)
  if type(column) ~= "number" or column < 0 then return nil end
  return host.ui_notifySender(n), column
end

-- sort(list, keyColumn, markColumn, descending, how) -> true when sorted;
-- the arrow goes on the visible column even when a hidden key column is
-- what is sorted by.
function M.sort(list, keyColumn, markColumn, descending, how)
  if not list or not has("ui_listSort") then return false end
  local sorted = host.ui_listSort(list, keyColumn, descending, how or "text")
  if has("ui_listSetSortMark") then host.ui_listSetSortMark(list, markColumn, descending and -1 or 1) end
  return sorted ~= false
end

-- setRowTip(list, row, text): the row's tooltip, where the host has them.
function M.setRowTip(list, row, text)
  if list and has("ui_listSetRowToolTip") then host.ui_listSetRowToolTip(list, row, text) end
end

-- columnWidths(list) -> { width, ... } or nil; setColumnWidth(list,
-- column, width): where the host's header can be resized.
function M.columnWidths(list)
  if not list or not has("ui_listGetColumnWidths") then return nil end
  local widths = host.ui_listGetColumnWidths(list)
  return type(widths) == "table" and widths or nil
end

function M.setColumnWidth(list, column, width)
  if list and has("ui_listSetColumnWidth") then host.ui_listSetColumnWidth(list, column, width) end
end

-- columnResized(n) -> the list whose divider was dragged, or nil.
function M.columnResized(n)
  if host.ui_notifyType(n) ~= "headerresize" then return nil end
  return host.ui_notifySender(n)
end

local KEY_NAMES = { [46] = "Delete", [13] = "Return", [32] = "Space", [27] = "Escape", [38] = "Up", [40] = "Down" }

-- key(n) -> key name ("Delete", "Return", "Space", "A", "N"), ctrl, shift,
-- alt; or nil when the notification is not a key.
function M.key(n)
  if host.ui_notifyType(n) ~= "keydown" then return nil end
  local code, mods = host.ui_notifyWParam(n), host.ui_notifyLParam(n)
  if type(code) ~= "number" then return nil end
  local name = KEY_NAMES[code]
  if not name and ((code >= 65 and code <= 90) or (code >= 48 and code <= 57)) then name = string.char(code) end
  if not name then return nil end
  return name, bitSet(mods, 2), bitSet(mods, 1), bitSet(mods, 4)
end

-- acceptDrops(hwnd): links dropped on the window arrive as "drop".
function M.acceptDrops(hwnd)
  if hwnd and has("ui_acceptDrops") then return host.ui_acceptDrops(hwnd, true) end
  return false
end

-- droppedLinks(n) -> array of URLs or file paths dropped on the window, or
-- nil when the notification is not a drop.
function M.droppedLinks(n)
  if host.ui_notifyType(n) ~= "drop" or not has("ui_notifyText") then return nil end
  local items = {}
  for line in string.gmatch(host.ui_notifyText(n) or "", "[^\n]+") do
    local item = line:match("^%s*(.-)%s*$")
    if item ~= "" then items[#items + 1] = item end
  end
  return items
end

-- notify(title, text, hwnd) -> true when the desktop showed a notification.
function M.notify(title, text, hwnd)
  if not has("ui_desktopNotify") then return false end
  return host.ui_desktopNotify(hwnd, title, text) == true
end

-- freeSpace(path) -> free bytes, total bytes; or nil and a message. A save
-- folder that does not exist yet is answered for where it will be made.
function M.freeSpace(path)
  if type(path) ~= "string" or path == "" then return nil, "no folder" end
  return host.fs_freeSpace(path)
end

-- confirmDelete(hwnd, text, checkText) -> confirmed, deleteFiles. The
-- check box starts unticked; a host whose box cannot show one keeps the
-- files, the safe reading of "also delete the files" unticked.
function M.confirmDelete(hwnd, text, checkText)
  local answer, checked = host.ui_messageBox(hwnd, text, true, checkText)
  return answer == 1, answer == 1 and checked == true
end

-- Running extractions: job -> what to report when it ends.
local jobs = {}

-- extract(archive, folder, context) -> true when an extraction started; or
-- nil and a message. context comes back from poll when the job ends.
function M.extract(archive, folder, context)
  if not has("zip_extract") then return nil, "extraction is not available in this build" end
  local ok, job = pcall(host.zip_extract, archive, folder)
  if not ok or not job then return nil, tostring(job or "extraction could not start") end
  jobs[job] = context or true
  return true
end

-- poll(onEnd): calls onEnd(context, state, message) for every job that
-- ended since the last call ("done", "failed", "cancelled") and frees it.
function M.poll(onEnd)
  for job, context in pairs(jobs) do
    local state = host.zip_state(job)
    if state ~= "running" then
      local message = state == "failed" and host.zip_error(job) or ""
      jobs[job] = nil
      host.zip_del(job)
      onEnd(context, state, message)
    end
  end
end

-- extractionsRunning() -> the number of archives being extracted.
function M.extractionsRunning()
  if has("zip_running") then return tonumber(host.zip_running()) or 0 end
  return 0
end

return M
