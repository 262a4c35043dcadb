-- A stand-in for the download engine's dl_* functions, for the controller
-- tests: tasks move only when the test says so, and every call is logged.
local M = {}
M.__index = M

function M.new()
  return setmetatable({ tasks = {}, nextId = 100, calls = {}, maxActive = 3, limit = 0, connections = 4 }, M)
end

function M:log(text) self.calls[#self.calls + 1] = text end

-- The table engine.use() takes.
function M:functions()
  local e = self
  return {
    add = function(url, folder, options)
      if e.refuseAdd then return nil, e.refuseAdd end
      e.nextId = e.nextId + 1
      local name = (options and options.name) or url:match("([^/]+)$") or "download"
      name = name:gsub("%%(%x%x)", function(hex) return string.char(tonumber(hex, 16)) end)
      local start = not options or options.start ~= false
      e.tasks[e.nextId] = { id = e.nextId, url = url, state = start and "running" or "paused", name = name,
        file = folder .. "/" .. name, done = 0, total = -1, speed = 0, eta = -1, options = options }
      e:log("add " .. url .. " " .. tostring(options and options.name) .. " " .. tostring(start))
      return e.nextId
    end,
    start = function(id)
      local task = e.tasks[id]
      if not task then return nil, "no such task" end
      if task.state == "failed" and e.refuseRestart then return nil, "cannot restart" end
      task.state = "running"
      e:log("start " .. id)
      return true
    end,
    pause = function(id)
      local task = e.tasks[id]
      if not task then return nil, "no such task" end
      if task.state ~= "done" then task.state = "paused" end
      e:log("pause " .. id)
      return true
    end,
    remove = function(id, deleteFiles)
      if not e.tasks[id] then return nil, "no such task" end
      e.tasks[id] = nil
      e:log("remove " .. id .. " " .. tostring(deleteFiles))
      return true
    end,
    info = function(id)
      local task = e.tasks[id]
      if not task then return nil, "no such task" end
      if e.raiseInInfo then error("native failure") end
      local copy = {}
      for k, v in pairs(task) do copy[k] = v end
      return copy
    end,
    list = function()
      local ids = {}
      for id in pairs(e.tasks) do ids[#ids + 1] = id end
      return ids
    end,
    setUrl = function(id, url)
      local task = e.tasks[id]
      if not task then return nil, "no such task", "invalid-argument" end
      task.url = url
      e:log("setUrl " .. id .. " " .. url)
      return true
    end,
    setTaskLimit = function(id, bytesPerSecond)
      local task = e.tasks[id]
      if not task then return nil, "no task " .. tostring(id), "bad-input" end
      task.limit = bytesPerSecond
      e:log("limit " .. id .. " " .. bytesPerSecond)
      return true
    end,
    setMaxActive = function(n) e.maxActive = n return true end,
    setLimit = function(n) e.limit = n return true end,
    setConnections = function(n) e.connections = n return true end,
    -- Naming is the real engine's: the stand-in has no rules of its own.
    suggestName = function(url, name) return dl_suggestName(url, name) end,
  }
end

-- The engine id of the only (or last added) task for `url`.
function M:idOf(url)
  local found
  for id, task in pairs(self.tasks) do
    if task.url == url and (not found or id > found) then found = id end
  end
  return found
end

function M:set(url, fields)
  local task = self.tasks[self:idOf(url)]
  for k, v in pairs(fields) do task[k] = v end
end

return M
