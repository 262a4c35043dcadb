-- The task controller: the list of tasks the user sees, kept in the task
-- database and driven through the download engine. The database row is
-- the lasting record; the engine's task id lives only as long as the
-- process, so a task is handed to the engine again (and continues its
-- partial file) the first time it is started after a restart.
local engine = require("velmora.engine")
local host = require("velmora.host")
local categories = require("velmora.categories")
local paths = require("velmora.paths")
local gid = require("velmora.gid")
local queue = require("velmora.queue")

local M = {}
M.__index = M

-- Progress alone is written at most this often; state changes at once.
local PERSIST_SECONDS = 5

-- Rows that were moving when the process ended, by a normal exit (which
-- records them as "queued") or by a crash (which leaves "running").
local UNFINISHED = { queued = true, running = true }

-- new{ store = storage, clock = fn, onChange = fn(task), onRemove = fn(ids),
--      onAdd = fn(tasks), onFinish = fn(task), onMove = fn(order, ids) }
function M.new(options)
  local self = setmetatable({}, M)
  self.store = options.store
  self.clock = options.clock or os.time
  self.onChange = options.onChange or function() end
  self.onAdd = options.onAdd or function() end
  self.onRemove = options.onRemove or function() end
  self.onFinish = options.onFinish or function() end
  self.onMove = options.onMove or function() end
  self.byId, self.order = {}, {}
  self.engineOf, self.taskOfEngine = {}, {}
  self.maxActive = 3
  -- The controller decides which queued task starts, so the engine is
  -- given all the room it allows and never reorders the queue itself.
  engine.setMaxActive(queue.ENGINE_SLOTS)
  self.lastError = nil
  return self
end

-- load() -> number of tasks, or nil and a message. Rows left moving by the
-- last run come back as "queued" and are remembered for resume().
function M:load()
  local rows, message = self.store:loadAll()
  if not rows then return nil, message end
  self.byId, self.order, self.pendingResume = {}, {}, {}
  for _, task in ipairs(rows) do
    if UNFINISHED[task.state] then
      task.state = "queued"
      self.pendingResume[#self.pendingResume + 1] = task.id
    elseif not engine.STATES[task.state] then
      task.state = "paused"
    end
    task.speed, task.eta, task.persistedDone = 0, -1, task.done
    self.byId[task.id] = task
    self.order[#self.order + 1] = task
  end
  local ok, failure = self.store:updateMany(gid.assign(rows))
  if not ok then return nil, failure end
  return #rows
end

-- resume(enabled): continue what was moving at the last exit, or leave it
-- paused when the user does not want that.
function M:resume(enabled)
  local ids = self.pendingResume or {}
  self.pendingResume = {}
  if enabled then return self:start(ids) end
  local changed = {}
  for _, id in ipairs(ids) do
    local task = self.byId[id]
    if task and task.state == "queued" then
      task.state = "paused"
      changed[#changed + 1] = task
      self.onChange(task)
    end
  end
  self.store:updateMany(changed)
end

function M:get(id) return self.byId[id] end
function M:all() return self.order end

function M:knowsUrl(url)
  for _, task in ipairs(self.order) do
    if task.url == url then return true end
  end
  return false
end

local function validUrl(url)
  if type(url) ~= "string" or #url > 8192 then return false end
  local scheme = url:match("^(%a+)://[^/?#%s]+")
  if not scheme then return false end
  scheme = scheme:lower()
  return (scheme == "http" or scheme == "https") and not url:find("%s")
end

-- parseUrls(text) -> array of URLs, array of rejected pieces. One a line;
-- blanks around them and empty lines are ignored.
function M.parseUrls(text)
  local urls, rejected = {}, {}
  for piece in tostring(text or ""):gmatch("%S+") do
    if validUrl(piece) then urls[#urls + 1] = piece else rejected[#rejected + 1] = piece end
  end
  return urls, rejected
end

-- Applies the engine's view of a task; true when the state changed.
local function applyInfo(task, info, now)
  local old = task.state
  local state = engine.STATES[info.state] and info.state or "failed"
  task.state = state
  if type(info.name) == "string" and info.name ~= "" then task.name = info.name end
  if type(info.file) == "string" and info.file ~= "" then task.file = info.file end
  -- A task handed over again reports nothing until the engine has read its
  -- part record; the progress known from before stands until then.
  local blank = (tonumber(info.total) or -1) < 0 and (tonumber(info.done) or 0) == 0
  if not blank then
    task.done = tonumber(info.done) or task.done
    task.total = tonumber(info.total) or task.total
  end
  task.speed = state == "running" and (tonumber(info.speed) or 0) or 0
  task.eta = state == "running" and (tonumber(info.eta) or -1) or -1
  if state == "failed" then
    task.error = tostring(info.error or info.code or "failed")
    task.cause, task.code = type(info.cause) == "string" and info.cause or "", tonumber(info.code) or 0
    task.httpStatus = tonumber(info.httpStatus) or 0
    task.finished = tonumber(info.finished) or now
  elseif state ~= old then
    task.error, task.cause, task.code, task.httpStatus = "", "", 0, 0
  end
  -- Known only while the engine holds the task; never recorded.
  -- A task waiting out a server's "come back later" may be reported as
  -- queued or as running; either way it is waiting.
  local moving = state == "queued" or state == "running"
  task.retryAt = moving and tonumber(info.retryAt) or nil
  task.connections = state == "running" and tonumber(info.connections) or 0
  task.checksumState = info.checksumState
  task.checksumAlgorithm = info.checksumAlgorithm
  if type(info.finalUrl) == "string" and info.finalUrl ~= "" then task.finalUrl = info.finalUrl end
  if state == "done" and old ~= "done" then
    task.finished = tonumber(info.finished) or now
    if task.total < 0 then task.total = task.done end
  end
  return state ~= old
end

-- Hands a task to the engine when it has no engine id in this process.
function M:ensureEngineTask(task, start)
  local eid = self.engineOf[task.id]
  if eid then return eid end
  local options = { start = start }
  -- Once the engine has named the file, keep that name so the partial file
  -- is found again; before that, only a name the user or browser gave.
  if task.file ~= "" or task.named then options.name = task.name end
  -- Cookies and the like from the browser live in memory only: never in
  -- the database, so a restart fetches without them.
  if task.headers then options.headers = task.headers end
  -- What the new-task dialog or a remote caller chose for this task alone;
  -- kept in the database, so a restart runs it the same way.
  if (task.ownConnections or 0) > 0 then options.connections = task.ownConnections end
  if (task.ownLimit or 0) > 0 then options.limit = task.ownLimit end
  if (task.ownChecksum or "") ~= "" then options.checksum = task.ownChecksum end
  local id, message = engine.add(task.url, task.folder, options)
  if not id then return nil, message end
  self.engineOf[task.id], self.taskOfEngine[id] = id, task.id
  return id
end

-- Gives the engine the task's own limit when it holds the task; true when
-- the engine took it (a running transfer keeps to it from its next read).
function M:applyOwnLimit(task)
  local eid = self.engineOf[task.id]
  if not eid then return false end  -- handed over with it at its next start
  local ok, message = engine.setTaskLimit(eid, task.ownLimit or 0)
  if not ok then self.lastError = message end
  return ok == true
end

-- setOwnOptions(task, options) -> "OK" and when the change holds ({ now =
-- the limit holds for the running transfer already, later = something
-- waits for the next start }), or nil and a message. Connections and
-- checksum are taken when the task is next handed to the engine.
function M:setOwnOptions(task, options)
  local later = (options.connections ~= nil and options.connections ~= (task.ownConnections or 0))
    or (options.checksum ~= nil and options.checksum ~= (task.ownChecksum or ""))
  if options.connections then task.ownConnections = options.connections end
  if options.limit then task.ownLimit = options.limit end
  if options.checksum then task.ownChecksum = options.checksum end
  if options.alwaysRun ~= nil then task.alwaysRun = options.alwaysRun and 1 or 0 end
  local ok, message = self.store:updateMany({ task })
  if not ok then return nil, message end
  local limited = options.limit ~= nil and self:applyOwnLimit(task)
  -- The engine takes connections and checksum only when it is handed the
  -- task, so the next start hands it over afresh (from its partial file);
  -- so does a limit an engine without live limits could not take.
  if later or (options.limit ~= nil and not limited and self.engineOf[task.id]) then
    task.optionsChanged = true
    later = true
  end
  -- A task let past the limit may start at once; one held to it again waits
  -- for its turn at its next start.
  self:dispatch()
  local running = limited and task.state == "running" and not task.waiting
  return "OK", { now = running and true or false, later = later and true or false }
end

-- sortByCategory(byExt, names): new files go into a subfolder per kind
-- (categories.lists, and each kind's folder name); nil turns it off.
function M:sortByCategory(byExt, names)
  self.sorting = byExt and { byExt = byExt, names = names } or nil
end

-- The folder a new file goes to, made when missing; nil and a message when
-- it cannot be. `made` holds the folders made for this batch already.
function M:folderFor(folder, name, made)
  if not self.sorting then return folder end
  local target = categories.folder(folder, categories.of(name, self.sorting.byExt), self.sorting.names)
  if made[target] then return target end
  local ok, message = host.fs_makeDirs(target)
  if not ok then return nil, "cannot make the folder " .. target .. ": " .. tostring(message) end
  made[target] = true
  return target
end

function M:failTask(task, message, cause)
  task.state, task.error, task.speed, task.eta = "failed", tostring(message), 0, -1
  task.cause, task.code, task.httpStatus = cause or "", 0, 0
  self.lastError = task.error
end

-- setNote(id, text): a problem after the download itself (an archive
-- that would not extract) shown and kept on a finished task.
function M:setNote(id, text)
  local task = self.byId[id]
  if not task then return false end
  task.error = tostring(text or "")
  local ok, message = self.store:updateMany({ task })
  if not ok then self.lastError = message end
  self.onChange(task)
  return ok
end

-- add(urls, folder [, extra]) -> the new tasks, or nil and a message. All
-- rows are written in one transaction before any transfer starts, so a
-- crash never loses a task the user was shown. `extra` may carry name,
-- referrer and request headers (for a single link from the browser),
-- the task's own choices (`options`: connections, limit in bytes a second,
-- checksum "ALGORITHM=HEX") and `paused` to add without starting.
function M:add(urls, folder, extra)
  extra = extra or {}
  local chosen = extra.options or {}
  local now = self.clock()
  local fresh = {}
  local taken, madeFolders = {}, {}
  for _, task in ipairs(self.order) do taken[task.gid or ""] = true end
  for _, url in ipairs(urls) do
    -- The engine's own naming, so the list shows what the file will be called;
    -- without an engine no task runs, and the link itself names it.
    local name = engine.suggestName(url, extra.name) or extra.name or url
    local target, why = self:folderFor(folder, name, madeFolders)
    if not target then return nil, why end
    fresh[#fresh + 1] = {
      url = url, name = name, folder = target, state = extra.paused and "paused" or "queued",
      done = 0, total = -1, error = "",
      referrer = extra.referrer or "", added = now, finished = 0, file = "", speed = 0, eta = -1,
      cause = "", code = 0, httpStatus = 0, started = 0, finalUrl = "",
      named = extra.name ~= nil, headers = extra.headers,
      ownConnections = chosen.connections or 0, ownLimit = chosen.limit or 0, ownChecksum = chosen.checksum or "",
      gid = gid.new(taken), alwaysRun = 0,
    }
    taken[fresh[#fresh].gid] = true
  end
  if #fresh == 0 then return fresh end
  queue.placeAtEnd(self.order, fresh)
  local ok, message = self.store:insertMany(fresh)
  if not ok then return nil, message end
  for _, task in ipairs(fresh) do
    self.byId[task.id] = task
    self.order[#self.order + 1] = task
  end
  self.onAdd(fresh)
  if not extra.paused then self:start(self:idsOf(fresh)) end
  return fresh
end

function M:idsOf(tasks)
  local ids = {}
  for i, task in ipairs(tasks) do ids[i] = task.id end
  return ids
end

-- Reads the engine's state of the given tasks and records what changed.
function M:sync(tasks, force)
  local now = self.clock()
  local dirty = {}
  for _, task in ipairs(tasks) do
    -- A waiting task's engine record is still the paused or failed one.
    local eid = not task.waiting and self.engineOf[task.id]
    if eid then
      local info, message = engine.info(eid)
      if type(info) == "table" then
        local changed = applyInfo(task, info, now)
        local moved = task.done ~= task.persistedDone and now - (task.persisted or 0) >= PERSIST_SECONDS
        if changed or force or moved then
          dirty[#dirty + 1] = task
          task.persisted, task.persistedDone = now, task.done
        end
        if changed and task.state == "done" then self.onFinish(task) end
        self.onChange(task)
      elseif task.state == "running" or task.state == "queued" then
        -- The engine forgot the task (removed elsewhere): nothing moves it now.
        self.engineOf[task.id], self.taskOfEngine[eid] = nil, nil
        self:failTask(task, message or "the download engine lost this task")
        dirty[#dirty + 1] = task
        self.onChange(task)
      end
    end
  end
  local ok, message = self.store:updateMany(dirty)
  if not ok then self.lastError = message end
end

function M:tasksOf(ids)
  local out = {}
  for _, id in ipairs(ids) do
    if self.byId[id] then out[#out + 1] = self.byId[id] end
  end
  return out
end

-- A run begins: nothing of the last one's failure or finish stays.
function M:beginRun(task)
  task.error, task.cause, task.code, task.httpStatus, task.started, task.finished = "", "", 0, 0, self.clock(), 0
end

-- Hands a waiting task to the engine (again); a task it cannot take fails.
function M:handOver(task)
  task.waiting = nil
  local eid = self.engineOf[task.id]
  local ok, message
  if eid and not task.optionsChanged then ok, message = engine.start(eid) end
  task.optionsChanged = nil
  if not ok then
    -- A task with new options, or one the engine will not restart, is
    -- handed over afresh; it continues from its partial file.
    if eid then
      engine.remove(eid, false)
      self.engineOf[task.id], self.taskOfEngine[eid] = nil, nil
    end
    ok, message = self:ensureEngineTask(task, true)
  end
  if ok then self:beginRun(task) else self:failTask(task, message) end
end

-- dispatch(): starts waiting tasks while download slots are free.
function M:dispatch()
  if not engine.available() then return end
  local due = queue.due(self.order, self.engineOf, self.maxActive)
  for _, task in ipairs(due) do
    task.nextRank = nil
    self:handOver(task)
  end
  self:sync(due, true)
  -- Those the engine would not take failed without an engine record, so
  -- sync left them alone.
  local refused = {}
  for _, task in ipairs(due) do
    if not self.engineOf[task.id] then refused[#refused + 1] = task end
  end
  local ok, message = self.store:updateMany(refused)
  if not ok then self.lastError = message end
  for _, task in ipairs(refused) do self.onChange(task) end
end

-- start(ids [, first]): continues paused and failed tasks (a failed one is
-- retried). They wait as "queued" for a free slot and start in queue order;
-- with `first` they take the next free slots ahead of the others.
function M:start(ids, first)
  if not engine.available() then
    -- Without an engine nothing can move; the tasks keep their state so a
    -- build with one continues them.
    self.lastError = engine.UNAVAILABLE
    return
  end
  local waiting = {}
  for _, task in ipairs(self:tasksOf(ids)) do
    local moving = self.engineOf[task.id] and not task.waiting and (task.state == "running" or task.state == "queued")
    if task.state ~= "done" and not moving then
      task.state, task.waiting, task.speed, task.eta = "queued", true, 0, -1
      waiting[#waiting + 1] = task
    end
    if first and task.waiting then
      self.nextRank = (self.nextRank or 0) + 1
      task.nextRank = self.nextRank
    end
  end
  local ok, message = self.store:updateMany(waiting)
  if not ok then self.lastError = message end
  for _, task in ipairs(waiting) do self.onChange(task) end
  self:dispatch()
end

-- move(ids, where) -> true, or nil and a message: "up", "down", "top" or
-- "bottom" in the queue, kept in the database.
function M:move(ids, where)
  local changed, message = queue.move(self.order, self:tasksOf(ids), where)
  if not changed then return nil, message end
  local ok, failure = self.store:updateMany(changed)
  if not ok then return nil, failure end
  self.onMove(self.order, self:idsOf(self:tasksOf(ids)))
  return true
end

-- place(id, index, member) -> true, or nil and a message: the task stands
-- `index`-th among the tasks `member` holds for (queue.place), kept in the
-- database.
function M:place(id, index, member)
  local task = self.byId[id]
  if not task then return nil, "no such task" end
  local changed = queue.place(self.order, task, index, member)
  local ok, failure = self.store:updateMany(changed)
  if not ok then return nil, failure end
  if #changed > 0 then self.onMove(self.order, { id }) end
  return true
end

-- pause(ids): keeps the partial files; a task without an engine task is
-- only marked.
function M:pause(ids)
  local touched = {}
  for _, task in ipairs(self:tasksOf(ids)) do
    if task.state == "running" or task.state == "queued" then
      local eid = not task.waiting and self.engineOf[task.id]
      task.waiting, task.nextRank = nil, nil
      if eid then
        local ok, message = engine.pause(eid)
        if not ok then self.lastError = message end
      else
        task.state = "paused"
        self.store:updateMany({ task })
        self.onChange(task)
      end
      touched[#touched + 1] = task
    end
  end
  self:sync(touched, true)
  self:dispatch()
end

-- delete(ids, deleteFiles) -> true, or nil and a message. With deleteFiles
-- the engine removes partial and finished files; tasks it never had in this
-- process are handed to it first so it finds their files.
function M:delete(ids, deleteFiles)
  local gone = {}
  for _, task in ipairs(self:tasksOf(ids)) do
    local eid = self.engineOf[task.id]
    if not eid and deleteFiles then
      if task.state == "done" and task.file ~= "" then
        local file = paths.native(task.file)
        if file then os.remove(file) end
      else
        local message
        eid, message = self:ensureEngineTask(task, false)
        if not eid then self.lastError = message end
      end
    end
    if eid then
      local ok, message = engine.remove(eid, deleteFiles)
      if not ok then self.lastError = message end
      self.taskOfEngine[eid] = nil
    end
    self.engineOf[task.id] = nil
    gone[#gone + 1] = task.id
  end
  local ok, message = self.store:deleteMany(gone)
  if not ok then return nil, message end
  local keep = {}
  local removed = {}
  for _, id in ipairs(gone) do removed[id] = true end
  for _, task in ipairs(self.order) do
    if removed[task.id] then self.byId[task.id] = nil else keep[#keep + 1] = task end
  end
  self.order = keep
  self.onRemove(gone)
  self:dispatch()
  return true
end

-- restart(id [, options]) -> true, or nil and a message. The engine begins
-- the task anew; options.acceptWebPage keeps an answer that is a web page.
function M:restart(id, options)
  local task = self.byId[id]
  if not task then return nil, "no such task" end
  local eid, message = self:ensureEngineTask(task, false)
  if not eid then return nil, message end
  local ok, why = engine.restart(eid, options)
  if not ok then return nil, why end
  self:beginRun(task)
  self:sync({ task }, true)
  return true
end

-- setUrl(id, url) -> true, or nil and a message: the same file from a new
-- link (an expired one replaced), then started.
function M:setUrl(id, url)
  local task = self.byId[id]
  if not task then return nil, "no such task" end
  if not validUrl(url) then return nil, "not an http or https link: " .. tostring(url) end
  local eid, message = self:ensureEngineTask(task, false)
  if not eid then return nil, message end
  local ok, why = engine.setUrl(eid, url)
  if not ok then return nil, why end
  task.url, task.finalUrl = url, ""
  self:start({ id })
  return true
end

-- refresh(): the timer's work: read every task the engine is moving.
function M:refresh()
  local moving = {}
  for _, task in ipairs(self.order) do
    if self.engineOf[task.id] and (task.state == "running" or task.state == "queued") then
      moving[#moving + 1] = task
    end
  end
  self:sync(moving, false)
  self:dispatch()
end

-- engineChanged(engineId): the engine's state-change message.
function M:engineChanged(engineId)
  local id = self.taskOfEngine[engineId]
  if id and self.byId[id] then self:sync({ self.byId[id] }, true) end
  self:dispatch()
end

-- stats() -> running, queued, total speed in bytes/s.
function M:stats()
  local running, queued, speed = 0, 0, 0
  for _, task in ipairs(self.order) do
    if task.state == "running" then
      running = running + 1
      speed = speed + (task.speed or 0)
    elseif task.state == "queued" then
      queued = queued + 1
    end
  end
  return running, queued, speed
end

-- Lowering the number stops no running task; raising it starts waiting ones.
function M:setMaxActive(n)
  self.maxActive = n
  self:dispatch()
end

-- quit(): pauses every transfer and records where each stands. What was
-- moving is recorded as "queued", so the next start can continue it, as
-- after a crash. The tasks are then let go of: the engine's reports of the
-- pauses asked for here arrive after this and must not turn the record
-- into "paused", which the next start would leave waiting for a click.
function M:quit()
  local moving = {}
  for _, task in ipairs(self.order) do
    if task.state == "running" or task.state == "queued" then moving[#moving + 1] = task end
  end
  for _, task in ipairs(moving) do
    local eid = not task.waiting and self.engineOf[task.id]
    if eid then
      engine.pause(eid)
      local info = engine.info(eid)
      if type(info) == "table" then applyInfo(task, info, self.clock()) end
    end
    if task.state ~= "done" and task.state ~= "failed" then task.state = "queued" end
  end
  self.engineOf, self.taskOfEngine = {}, {}
  return self.store:updateMany(moving)
end

return M
