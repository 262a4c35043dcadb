-- The host pieces the scripts use that a build may not have yet: several
-- selected rows, column sorting, keys with modifiers, dropped links,
-- desktop notifications, free space, archive extraction. Each is looked up
-- here and only here; when the host lacks it the fallback below is what the
-- product does (one selected row, no sorting, no shortcuts, ...), so
-- wiring a new host function is a change to this file alone.
local paths = require("velmora.paths")

local M = {}

-- selectedRows(list) -> array of row indices, in list order.
function M.selectedRows(list)
  local row = ui_listGetSel(list)
  if type(row) == "number" and row >= 0 then return { row } end
  return {}
end

-- selectAll(list) -> true when every row is now selected.
function M.selectAll(list)
  return false
end

-- sortRequest(n) -> the column a header click asks to sort by, or nil.
function M.sortRequest(n)
  return nil
end

-- key(n) -> key name ("Delete", "Return", "Space", "A", "N"), ctrl, shift;
-- or nil when the notification is not a key.
function M.key(n)
  return nil
end

-- droppedLinks(n) -> array of URLs or file paths dropped on the window, or
-- nil when the notification is not a drop.
function M.droppedLinks(n)
  return nil
end

-- notify(title, text) -> true when the desktop showed a notification.
function M.notify(title, text)
  return false
end

-- freeSpace(path) -> free bytes, total bytes; or nil. Asks df about the
-- nearest existing folder, since a save folder may not exist yet.
function M.freeSpace(path)
  if type(path) ~= "string" or path == "" then return nil end
  local probe = paths.native(path)
  while probe ~= "/" and probe ~= "." and not paths.isDir(probe) do probe = paths.dirname(probe) end
  if probe == "." then return nil end
  local pipe = io.popen("df -Pk -- " .. paths.shellQuote(probe) .. " 2>/dev/null")
  if not pipe then return nil end
  local output = pipe:read("*a") or ""
  pipe:close()
  local blocks, available = output:match("\n%S+%s+(%d+)%s+%d+%s+(%d+)")
  if not blocks then return nil end
  return tonumber(available) * 1024, tonumber(blocks) * 1024
end

-- confirmDelete(hwnd, count) -> confirmed, deleteFiles. The host's message
-- box has no way yet to read its check box, so files are always kept: the
-- safe choice for "also delete the files" unticked.
function M.confirmDelete(hwnd, count, text)
  return ui_messageBox(hwnd, text, true) == 1, false
end

-- extract(archive, folder) -> true when an extraction started; or nil and
-- a message.
function M.extract(archive, folder)
  return nil, "extraction is not available in this build"
end

-- extractionsRunning() -> the number of archives being extracted.
function M.extractionsRunning()
  return 0
end

return M
