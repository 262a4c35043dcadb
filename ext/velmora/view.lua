-- The two task lists, the status line and the sidebar's free-space gauge.
-- Rows carry their task id as row data; cells are only written when their
-- text changes, so a tick with nothing moving costs almost nothing.
local host = require("velmora.host")
local format = require("velmora.format")
local filter = require("velmora.filter")
local categories = require("velmora.categories")
local strings = require("velmora.strings")
local adapter = require("velmora.ui_adapter")
local reasons = require("velmora.reasons")

local M = {}
M.__index = M

-- new(pm) with the main window's paint manager.
function M.new(pm)
  local self = setmetatable({}, M)
  self.pm = pm
  self.active = host.ui_findControl(pm, "downloadlist")
  self.finished = host.ui_findControl(pm, "downloadedlist")
  self.statusText = host.ui_findControl(pm, "statustext")
  self.speedLabel = host.ui_findControl(pm, "speedlabel")
  self.diskLabel = host.ui_findControl(pm, "disklabel")
  self.diskProgress = host.ui_findControl(pm, "diskprogress")
  self.words = {}
  self.cells = {}
  -- task id -> the tooltip its row has.
  self.tips = {}
  -- list -> { column = visible column, descending = bool } once sorted.
  self.order = {}
  adapter.enableMultiSelect(self.active)
  adapter.enableMultiSelect(self.finished)
  return self
end

-- stateText(task) -> the state cell: a short reason for a failure, when a
-- waiting task retries, how far a paused one got.
function M.stateText(task)
  if task.state == "failed" then return reasons.stateCell(task) end
  if (task.state == "queued" or task.state == "running") and task.retryAt then
    return string.format(strings.waitingRetry, format.clockTime(task.retryAt))
  end
  if task.state == "paused" and (task.done or 0) > 0 then
    if (task.total or -1) > 0 then
      return string.format(strings.pausedBytes, format.size(task.done), format.size(task.total))
    end
    return string.format(strings.pausedBytesUnknown, format.size(task.done))
  end
  return strings.state[task.state] or task.state
end

-- rowTip(task) -> the tooltip of a row: the name, the link and, when it
-- failed or a later step did, the whole message.
function M.rowTip(task)
  local lines = { task.name, task.url }
  if (task.error or "") ~= "" then lines[#lines + 1] = task.error end
  return table.concat(lines, "\n")
end

local function activeCells(task)
  local known = task.total > 0 and task.total or (task.done > 0 and task.done or nil)
  local size = format.size(known)
  return {
    task.name,
    size,
    tostring(format.percent(task.done, task.total)),
    format.speed(task.speed),
    format.timeLeft(task.eta),
    M.stateText(task),
    -- Hidden sort keys past the last header: bytes, seconds, bytes/s.
    tostring(task.total > 0 and task.total or task.done),
    tostring(task.eta or -1),
    tostring(task.speed or 0),
  }
end

local function finishedCells(task)
  return {
    task.name, format.size(task.total > 0 and task.total or task.done), format.dateTime(task.finished),
    -- A finished task keeps a later problem (an archive that failed) here.
    (task.error or "") ~= "" and task.folder .. "  (" .. task.error .. ")" or task.folder,
    -- Hidden sort keys: bytes and the finishing time as a number.
    tostring(task.total > 0 and task.total or task.done), tostring(task.finished or 0),
  }
end

-- Visible column -> hidden key column sorted as numbers; other columns
-- sort by their text (the progress column already holds a number).
local SORT_KEYS = {
  active = { [1] = 6, [2] = 2, [3] = 8, [4] = 7 },
  finished = { [1] = 4, [2] = 5 },
}

function M:sortKey(list, column)
  local keys = list == self.active and SORT_KEYS.active or SORT_KEYS.finished
  if keys[column] then return keys[column], "number" end
  return column, "text"
end

-- sortBy(list, column): a header click; the same column again turns the
-- order round. The order is kept for the next start.
function M:sortBy(list, column)
  if not self:isList(list) then return false end
  local order = self.order[list]
  local descending = order ~= nil and order.column == column and not order.descending
  self.order[list] = { column = column, descending = descending }
  self:keep("sort", list, column .. (descending and " desc" or " asc"))
  return self:resort(list)
end

function M:isList(control) return control ~= nil and (control == self.active or control == self.finished) end

function M:listKey(list)
  return list == self.active and "downloadlist" or "downloadedlist"
end

-- keep(kind, list, text): a value for the next start, when a store is set.
function M:keep(kind, list, text)
  if not self.keeper then return end
  local ok, message = self.keeper:setValue(kind .. "." .. self:listKey(list), text)
  if not ok and self.onKeepFailed then self.onKeepFailed(message) end
end

-- columnResized(list): a divider was dragged; every width is kept, as the
-- ones beside it may have moved too.
function M:columnResized(list)
  if not self:isList(list) then return end
  local widths = adapter.columnWidths(list)
  if widths and #widths > 0 then self:keep("columns", list, table.concat(widths, ",")) end
end

-- parseWidths("200,80") -> { 200, 80 }, or nil for anything else.
function M.parseWidths(text)
  if type(text) ~= "string" or not text:match("^[%d,]+$") then return nil end
  local widths = {}
  -- Every piece between commas, empty ones too, so "250,,96" is refused.
  for piece in (text .. ","):gmatch("([^,]*),") do
    local width = tonumber(piece)
    if not width or width <= 0 or width > 10000 then return nil end
    widths[#widths + 1] = width
  end
  return widths
end

-- parseOrder("3 desc") -> { column = 3, descending = true }, or nil.
function M.parseOrder(text)
  if type(text) ~= "string" then return nil end
  local column, way = text:match("^(%d+) (%a+)$")
  column = tonumber(column)
  if not column or column > 64 or (way ~= "asc" and way ~= "desc") then return nil end
  return { column = column, descending = way == "desc" }
end

-- restore(keeper [, onFailed]): the widths and orders kept by the last run,
-- from a store with getValue/setValue; what was changed from now on is
-- kept there. The column that fills the rest of the list refuses a width.
function M:restore(keeper, onFailed)
  self.keeper, self.onKeepFailed = keeper, onFailed
  for _, list in ipairs({ self.active, self.finished }) do
    local widths = M.parseWidths(keeper:getValue("columns." .. self:listKey(list)))
    if widths then
      for column = 1, #widths do adapter.setColumnWidth(list, column - 1, widths[column]) end
    end
    local order = M.parseOrder(keeper:getValue("sort." .. self:listKey(list)))
    if order then self.order[list] = order end
  end
end

-- resortChanged(): once a tick, the sorted lists whose keys moved.
function M:resortChanged()
  local due = self.resortDue
  if not due then return end
  self.resortDue = nil
  for list in pairs(due) do self:resort(list) end
end

function M:resort(list)
  local order = self.order[list]
  if not order then return false end
  local key, how = self:sortKey(list, order.column)
  return adapter.sort(list, key, order.column, order.descending, how)
end

function M:listFor(task)
  if task.state == "done" then return self.finished, finishedCells(task) end
  return self.active, activeCells(task)
end

local function findRow(list, id)
  if not list then return -1 end
  local row = host.ui_listFindRowData(list, id)
  if type(row) ~= "number" then return -1 end
  return row
end

-- show(task): adds, updates or moves the task's row.
function M:show(task)
  local list, cells = self:listFor(task)
  if not list then return end
  local other = list == self.active and self.finished or self.active
  if other then
    local stale = findRow(other, task.id)
    if stale >= 0 then
      host.ui_listRemoveRow(other, stale)
      self.tips[task.id] = nil
    end
  end
  local visible = filter.matches(task, self.words) and self:inCategory(task)
  local row = findRow(list, task.id)
  if not visible then
    if row >= 0 then host.ui_listRemoveRow(list, row) end
    self.cells[task.id], self.tips[task.id] = nil, nil
    return
  end
  local tip = M.rowTip(task)
  if row < 0 then
    row = host.ui_listAddRow(list, unpack(cells))
    host.ui_listSetRowData(list, row, task.id)
    adapter.setRowTip(list, row, tip)
    self.cells[task.id] = cells
    self.tips[task.id] = tip
    -- A new row takes its place in the chosen order (once per rebuild).
    if self.rebuilding then self.rebuilding[list] = true else self:resort(list) end
    return
  end
  local known = self.cells[task.id] or {}
  local order = self.order[list]
  local sortColumn = order and self:sortKey(list, order.column)
  for column, text in ipairs(cells) do
    if known[column] ~= text then
      host.ui_listSetCell(list, row, column - 1, text)
      -- A row whose sort key moved goes to its place at the next tick.
      if column - 1 == sortColumn then self.resortDue = self.resortDue or {} self.resortDue[list] = true end
    end
  end
  self.cells[task.id] = cells
  if self.tips[task.id] ~= tip then
    adapter.setRowTip(list, row, tip)
    self.tips[task.id] = tip
  end
end

function M:remove(ids)
  for _, id in ipairs(ids) do
    for _, list in pairs({ self.active, self.finished }) do
      local row = findRow(list, id)
      if row >= 0 then host.ui_listRemoveRow(list, row) end
    end
    self.cells[id], self.tips[id] = nil, nil
  end
end

-- rebuild(tasks): every row again, as after a new search.
function M:rebuild(tasks)
  if self.active then host.ui_listClear(self.active) end
  if self.finished then host.ui_listClear(self.finished) end
  self.cells, self.tips = {}, {}
  self.rebuilding = {}
  for _, task in ipairs(tasks) do self:show(task) end
  local added = self.rebuilding
  self.rebuilding = nil
  for list in pairs(added) do self:resort(list) end
end

-- showQueueOrder(tasks, ids): the moving tasks in queue order, the moved
-- rows still selected. A header sort would hide the move, so it ends.
function M:showQueueOrder(tasks, ids)
  local list = self.active
  if not list then return end
  if self.order[list] then
    self.order[list] = nil
    self:keep("sort", list, "queue")
    if host.has("ui_listSetSortMark") then host.ui_listSetSortMark(list, 0, 0) end
  end
  self:rebuild(tasks)
  for _, id in ipairs(ids) do
    local row = findRow(list, id)
    if row >= 0 then host.ui_listSetSelected(list, row, true, false) end
  end
end

-- setCategory(key, byExt, tasks): only files of one kind are listed (nil
-- for every kind); byExt as categories.lists gives it.
function M:setCategory(key, byExt, tasks)
  self.category, self.byExt = key, byExt
  self:rebuild(tasks)
end

function M:inCategory(task)
  if not self.category then return true end
  return categories.of(task.file ~= "" and task.file or task.name, self.byExt or {}) == self.category
end

function M:setSearch(query, tasks)
  self.words = filter.words(query)
  self:rebuild(tasks)
end

-- selectedIds(list) -> the task ids of the selected rows.
function M:selectedIds(list)
  local ids = {}
  if not list then return ids end
  for _, row in ipairs(adapter.selectedRows(list)) do
    local id = host.ui_listGetRowData(list, row)
    if type(id) == "number" and id > 0 then ids[#ids + 1] = id end
  end
  return ids
end

-- Sets a label's text only when it changes: an idle window repaints nothing.
function M:label(control, text)
  if not control then return end
  self.labels = self.labels or {}
  if self.labels[control] == text then return end
  self.labels[control] = text
  host.ui_setText(control, text)
end

function M:status(running, queued, speed, message)
  local text = message
  if not text then
    text = (running + queued > 0) and string.format(strings.running, running, queued) or strings.ready
  end
  self:label(self.statusText, text)
  self:label(self.speedLabel, string.format(strings.totalSpeed, format.speed(speed, true)))
end

function M:disk(free, total)
  if not free or not total or total <= 0 then
    self:label(self.diskLabel, strings.diskUnknown)
    if self.diskProgress then host.ui_setValue(self.diskProgress, 0) end
    return
  end
  self:label(self.diskLabel, string.format(strings.diskSpace, format.size(free), format.size(total)))
  if self.diskProgress then host.ui_setValue(self.diskProgress, math.floor((total - free) * 100 / total)) end
end

return M
