-- The details pane under the task lists: everything known about the task
-- of the selected row, its full error, and what can be done about it. It
-- follows the selection while it is open, so the buttons always act on the
-- task shown.
local host = require("velmora.host")
local format = require("velmora.format")
local strings = require("velmora.strings")
local trim = require("velmora.text").trim

local M = {}
M.__index = M

local PANE = "detailspane"

-- Control name -> what it shows. The links and the error sit in read-only
-- edits, so they can be selected and copied.
local FIELDS = {
  D_file = function(task) return task.file ~= "" and task.file or task.name end,
  D_folder = function(task) return task.folder end,
  D_url = function(task) return task.url end,
  D_finalurl = function(task) return task.finalUrl or "" end,
  D_bytes = function(task)
    if (task.total or -1) <= 0 then return format.size(task.done) end
    return string.format(strings.details.bytesOf, format.size(task.done), format.size(task.total))
  end,
  D_speed = function(task) return format.speed(task.speed) end,
  D_connections = function(task)
    local n = tonumber(task.connections) or 0
    return n > 0 and tostring(n) or strings.details.none
  end,
  D_added = function(task) return format.dateTime(task.added) end,
  D_started = function(task) return format.dateTime(task.started) end,
  D_finished = function(task) return format.dateTime(task.finished) end,
  D_checksum = function(task) return M.checksumText(task) end,
  D_error = function(task) return task.error or "" end,
}

-- checksumText(task) -> "校验通过 (sha256)", or "-" when the task has none.
function M.checksumText(task)
  local state = task.checksumState
  if type(state) ~= "string" or state == "" then return strings.details.none end
  local text = strings.details.checksumStates[state] or state
  if type(task.checksumAlgorithm) == "string" and task.checksumAlgorithm ~= "" then
    return string.format(strings.details.checksumWith, text, task.checksumAlgorithm)
  end
  return text
end

-- texts(task) -> control name -> text, for every field.
function M.texts(task)
  local out = {}
  for name, text in pairs(FIELDS) do out[name] = text(task) or "" end
  return out
end

-- buttons(task) -> control name -> shown. "Save it anyway" and "start over"
-- only answer the failures they mend.
function M.buttons(task)
  local failed, done = task.state == "failed", task.state == "done"
  return {
    D_openfolder = true,
    D_openfile = done,
    D_copylink = true,
    D_refreshlink = not done,
    D_newurl = not done,
    D_retry = failed,
    D_saveanyway = failed and task.cause == "web-page",
    D_startover = failed and task.cause == "changed-answer",
  }
end

-- The largest limit a task may be given, in KB/s (about 10 GB/s).
local MAX_LIMIT_KB = 10 * 1024 * 1024
local MAX_CONNECTIONS = 16

-- Whole numbers only; "" and "0" leave the choice to the settings.
local function wholeNumber(text)
  text = trim(tostring(text or ""))
  if text == "" then return 0 end
  if not text:match("^%d+$") or #text > 9 then return nil end
  return tonumber(text)
end

-- ownOptions(limitText, connectionsText, alwaysRun) -> the options for
-- tasks:setOwnOptions, or nil and the text telling what is wrong. The
-- limit is typed in KB/s.
function M.ownOptions(limitText, connectionsText, alwaysRun)
  local limit = wholeNumber(limitText)
  if not limit or limit > MAX_LIMIT_KB then return nil, strings.details.ownLimitBad end
  local connections = wholeNumber(connectionsText)
  if not connections or connections > MAX_CONNECTIONS then return nil, strings.details.ownConnectionsBad end
  return { limit = limit * 1024, connections = connections, alwaysRun = alwaysRun and true or false }
end

-- ownTexts(task) -> limit in KB/s and connections as typed ("" for the
-- settings' own), and whether it always runs.
function M.ownTexts(task)
  local limit, connections = tonumber(task.ownLimit) or 0, tonumber(task.ownConnections) or 0
  return limit > 0 and tostring(math.ceil(limit / 1024)) or "", connections > 0 and tostring(connections) or "",
    (tonumber(task.alwaysRun) or 0) ~= 0
end

-- appliedText(when) -> what to tell after the own settings were saved:
-- whether the running transfer keeps to the limit already.
function M.appliedText(when)
  local texts = strings.details
  if type(when) ~= "table" or not when.now then return texts.ownApplied end
  return when.later and texts.ownAppliedPartly or texts.ownAppliedNow
end

local function report(say, template, ok, message)
  if not ok then say(string.format(template, tostring(message))) end
  return ok
end

-- new(pm, commands): commands = { tasks = controller, say = fn(text),
-- openFolder = fn(list), openFile = fn(list) (of the list's selected
-- task) }.
function M.new(pm, commands)
  local self = setmetatable({ pm = pm, commands = commands }, M)
  self.pane = host.ui_findControl(pm, PANE)
  self.shownTexts = {}
  return self
end

function M:control(name) return host.ui_findControl(self.pm, name) end

function M:isOpen() return self.id ~= nil end

-- open(task, list): shows the pane with this task, selected in list.
function M:open(task, list)
  if not self.pane or not task then return false end
  self.id, self.list = task.id, list
  self.shownTexts = {}
  local newUrl = self:control("D_newurl")
  if newUrl then host.ui_setText(newUrl, "") end
  self:fill(task)
  self:fillOwn(task)
  host.ui_setVisible(self.pane, true)
  return true
end

function M:close()
  self.id = nil
  if self.pane then host.ui_setVisible(self.pane, false) end
end

-- fill(task): writes only what changed, as the list does, so an open pane
-- costs nothing while its task stands still.
function M:fill(task)
  for name, text in pairs(M.texts(task)) do
    if self.shownTexts[name] ~= text then
      local control = self:control(name)
      if control then host.ui_setText(control, text) end
      self.shownTexts[name] = text
    end
  end
  for name, shown in pairs(M.buttons(task)) do
    local control = self:control(name)
    if control then host.ui_setVisible(control, shown) end
  end
end

-- redraw(tasks): the open pane written afresh, as after the language
-- changed; tasks is the controller.
function M:redraw(tasks)
  local task = self.id and tasks:get(self.id)
  if not task then return end
  self.shownTexts = {}
  self:fill(task)
end

-- fillOwn(task): the task's own settings, written when the pane opens on
-- it and after they were applied, never while the user types.
function M:fillOwn(task)
  local limit, connections, alwaysRun = M.ownTexts(task)
  local limitEdit, connectionsEdit, check = self:control("D_ownlimit"), self:control("D_ownconnections"),
    self:control("D_alwaysrun")
  if limitEdit then host.ui_setText(limitEdit, limit) end
  if connectionsEdit then host.ui_setText(connectionsEdit, connections) end
  if check then host.ui_setSelected(check, alwaysRun) end
end

function M:applyOwn(task)
  local commands, texts = self.commands, strings.details
  local function text(name)
    local control = self:control(name)
    return control and host.ui_getText(control) or ""
  end
  local check = self:control("D_alwaysrun")
  local options, problem = M.ownOptions(text("D_ownlimit"), text("D_ownconnections"),
    check ~= nil and host.ui_isSelected(check) == true)
  if not options then return commands.say(problem) end
  local ok, when = commands.tasks:setOwnOptions(task, options)
  if report(commands.say, texts.ownFailed, ok, when) then
    self:fillOwn(task)
    commands.say(M.appliedText(when))
  end
end

-- update(task): a task changed; the pane follows when it shows that one.
function M:update(task)
  if self.id and task.id == self.id then self:fill(task) end
end

-- removed(ids): the task shown went away; the pane goes with it.
function M:removed(ids)
  for _, id in ipairs(ids) do
    if id == self.id then return self:close() end
  end
end

-- click(name) -> true when the pane's button was handled.
function M:click(name)
  if name == "D_close" then
    self:close()
    return true
  end
  local commands = self.commands
  local task = self.id and commands.tasks:get(self.id)
  if not task or name:sub(1, 2) ~= "D_" then return false end
  local texts = strings.details
  if name == "D_openfolder" then
    commands.openFolder(self.list)
  elseif name == "D_openfile" then
    commands.openFile(self.list)
  elseif name == "D_copylink" then
    host.ui_setClipboardText(task.url)
    commands.say(texts.linkCopied)
  elseif name == "D_refreshlink" then
    local edit = self:control("D_newurl")
    local url = edit and trim(host.ui_getText(edit) or "") or ""
    if url == "" then
      commands.say(texts.newUrlMissing)
    elseif report(commands.say, texts.linkRefreshFailed, commands.tasks:setUrl(task.id, url)) then
      host.ui_setText(edit, "")
    end
  elseif name == "D_applyown" then
    self:applyOwn(task)
  elseif name == "D_retry" then
    commands.tasks:start({ task.id })
  elseif name == "D_saveanyway" then
    report(commands.say, texts.restartFailed, commands.tasks:restart(task.id, { acceptWebPage = true }))
  elseif name == "D_startover" then
    report(commands.say, texts.restartFailed, commands.tasks:restart(task.id))
  else
    return false
  end
  local current = commands.tasks:get(task.id)
  if current then self:update(current) end
  return true
end

return M
