-- Carries out what the schedule answers, once a tick: the global limit,
-- starting and pausing the queue, and what follows when it runs dry.
local schedule = require("velmora.schedule")
local engine = require("velmora.engine")
local text = require("velmora.text")

local M = {}
M.__index = M

-- new{ tasks, settings = fn -> values, clock = fn -> seconds, date = os.date
-- alike, quit = fn, run = fn(argv) -> true or nil and a message,
-- confirm = fn(command) -> bool, save = fn(values), say = fn(text),
-- recall = fn -> text, remember = fn(text) }. recall and remember keep the
-- window last started across restarts: a restart inside a window the queue
-- was started in (and perhaps paused by hand since) does not start it again.
function M.new(options)
  local self = setmetatable({}, M)
  for k, v in pairs(options) do self[k] = v end
  self.date = self.date or os.date
  self.state = { started = self.recall and self.recall() or nil }
  return self
end

-- words(text) -> the command as an argument vector, split at blanks. No
-- shell reads it: quotes, pipes and $ are plain characters.
M.words = text.words

local function idsIn(tasks, states)
  local ids = {}
  for _, task in ipairs(tasks:all()) do
    if states[task.state] then ids[#ids + 1] = task.id end
  end
  return ids
end

-- The command runs only as the user confirmed it; a changed command asks
-- again, and a refusal leaves it unrun.
-- confirmCommand(values) -> true when the command may run, asking the
-- user first when this text was never confirmed.
function M:confirmCommand(values)
  local command = values.doneCommand or ""
  if #M.words(command) == 0 then return false end
  if values.doneCommandAllowed == command then return true end
  if not self.confirm(command) then return false end
  values.doneCommandAllowed = command
  self.save(values)
  return true
end

function M:runCommand(values)
  if not self:confirmCommand(values) then return end
  local ok, message = self.run(M.words(values.doneCommand))
  if not ok then self.say(tostring(message)) end
end

function M:afterAll(values)
  if values.whenDone == "quit" then
    self.quit()
  elseif values.whenDone == "command" then
    self:runCommand(values)
  end
end

-- applyLimit(values): the limit that holds now, set at once (after the
-- settings change) instead of at the next tick.
function M:applyLimit(values)
  local limit = schedule.limit(values, self.clock(), self.date)
  self.limit = limit
  return engine.setLimit(limit * 1024)
end

function M:tick()
  local values = self.settings()
  local decision = schedule.decide(values, self.state, self.clock(), self.date)
  if decision.limit ~= self.limit then self:applyLimit(values) end
  if decision.start and self.remember then self.remember(self.state.started) end
  if decision.start then self.tasks:start(idsIn(self.tasks, { paused = true })) end
  if decision.stop then self.tasks:pause(idsIn(self.tasks, { running = true, queued = true })) end
  local running, queued = self.tasks:stats()
  local waiting = #idsIn(self.tasks, { paused = true })
  if schedule.finished(self.state, running + queued, waiting) then self:afterAll(values) end
end

return M
