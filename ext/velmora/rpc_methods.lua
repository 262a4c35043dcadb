-- The remote-control methods over the task controller: the established
-- names, parameters, results and error texts, so existing front-ends work
-- unchanged. Each method takes the context (what the methods reach: tasks,
-- settings, folders, removed results) and the call's parameters, and
-- answers the result or nil and a message.
local status = require("velmora.rpc_status")
local folders = require("velmora.rpc_folders")
local tasksModule = require("velmora.tasks")

local M = {}

local VERSION = "0.1.0"
local MAX_URIS = 16

local function object(t) return setmetatable(t or {}, { __jsonobject = true }) end

local function missing(index) return nil, string.format("The parameter at %d is required but missing.", index) end

-- size("1M") -> bytes: the clients' speed texts with K or M suffixes.
function M.size(value)
  if type(value) == "number" then return value >= 0 and math.floor(value) or nil end
  if type(value) ~= "string" then return nil end
  local digits, unit = value:match("^%s*(%d+)%s*([KkMm]?)%s*$")
  if not digits then return nil end
  local n = tonumber(digits)
  if unit == "K" or unit == "k" then n = n * 1024 elseif unit ~= "" then n = n * 1024 * 1024 end
  return n
end

local function findTask(ctx, gid)
  if type(gid) ~= "string" then return nil end
  gid = gid:lower()
  for _, task in ipairs(ctx.tasks:all()) do
    if task.gid == gid then return task end
  end
  return nil
end

local function notFound(gid) return nil, string.format("GID %s is not found", tostring(gid)) end

-- The engine options a caller asked for, or nil and why. Unknown keys are
-- left alone, as the established server leaves options it does not use.
local function engineOptions(options)
  local into = {}
  local limit = options["max-download-limit"]
  if limit ~= nil then
    local bytes = M.size(limit)
    if not bytes then return nil, "max-download-limit must be a size such as 500K or 2M" end
    into.limit = bytes
  end
  local split = options.split
  if split ~= nil then
    local n = tonumber(split)
    if not n or n < 1 or n > 16 or n ~= math.floor(n) then return nil, "split must be a whole number from 1 to 16" end
    into.connections = n
  end
  local checksum = options.checksum
  if checksum ~= nil then
    local kind, hex = tostring(checksum):match("^([%w%-]+)=(%x+)$")
    if not kind or kind:lower() ~= "sha-256" or #hex ~= 64 then
      return nil, "checksum must be sha-256=<64 hex digits>; no other digest is checked"
    end
    into.checksum = "sha256=" .. hex:lower()
  end
  return into
end

local function headersOf(value)
  if value == nil then return {} end
  if type(value) == "string" then value = { value } end
  if type(value) ~= "table" then return nil, "header must be text or an array of texts" end
  local out = {}
  for _, line in ipairs(value) do
    local name, text = tostring(line):match("^%s*([^:%s]+)%s*:%s*(.-)%s*$")
    if not name or text:find("[\r\n]") then return nil, "a header is not of the form Name: value" end
    out[name] = text
  end
  return out
end

function M.addUri(ctx, params)
  local uris, options = params[1], params[2] or {}
  if type(uris) ~= "table" or #uris == 0 then return missing(0) end
  if #uris > MAX_URIS then return nil, "too many URIs" end
  if type(options) ~= "table" then return nil, "options must be a struct" end
  local urls, rejected = tasksModule.parseUrls(table.concat(uris, "\n"))
  if #urls == 0 or #rejected > 0 then return nil, "No URI to download." end
  local folder = ctx.defaultFolder()
  if options.dir ~= nil then
    local allowed, why = folders.allowed(options.dir, ctx.folders())
    if not allowed then return nil, string.format("dir %s refused: %s", tostring(options.dir), why) end
    folder = allowed
  end
  local extra, why = engineOptions(options)
  if not extra then return nil, why end
  local paused = options.pause
  if paused ~= nil and paused ~= "true" and paused ~= "false" and type(paused) ~= "boolean" then
    return nil, "pause must be true or false"
  end
  local headers
  headers, why = headersOf(options.header)
  if not headers then return nil, why end
  local name = options.out
  if name ~= nil and (type(name) ~= "string" or name == "" or name:find("/") or name == "." or name == "..") then
    return nil, "out must be a file name without folders"
  end
  -- The other URIs would be mirrors of the same file; one source is used.
  local added, message = ctx.add({ urls[1] }, folder, {
    name = name, headers = next(headers) and headers or nil, options = extra,
    paused = paused == "true" or paused == true,
  })
  if not added then return nil, message end
  return added[1].gid
end

local function stoppedStatus(task) return task.state == "done" or task.state == "failed" end

local function removeOne(ctx, params)
  local task = findTask(ctx, params[1])
  if not task then return notFound(params[1]) end
  if stoppedStatus(task) then return nil, string.format("Active Download not found for GID#%s", task.gid) end
  local snapshot = status.of(task, "removed")
  local ok, message = ctx.tasks:delete({ task.id }, false)
  if not ok then return nil, message end
  ctx.removed(snapshot)
  return task.gid
end
M.remove = removeOne
M.forceRemove = removeOne

local function pauseOne(ctx, params)
  local task = findTask(ctx, params[1])
  if not task then return notFound(params[1]) end
  if task.state ~= "running" and task.state ~= "queued" then
    return nil, string.format("GID#%s cannot be paused now", task.gid)
  end
  ctx.tasks:pause({ task.id })
  return task.gid
end
M.pause = pauseOne
M.forcePause = pauseOne

local function idsIn(ctx, states)
  local ids = {}
  for _, task in ipairs(ctx.tasks:all()) do
    if states[task.state] then ids[#ids + 1] = task.id end
  end
  return ids
end

local function pauseAll(ctx)
  ctx.tasks:pause(idsIn(ctx, { running = true, queued = true }))
  return "OK"
end
M.pauseAll = pauseAll
M.forcePauseAll = pauseAll

function M.unpause(ctx, params)
  local task = findTask(ctx, params[1])
  if not task then return notFound(params[1]) end
  if task.state ~= "paused" then return nil, string.format("GID#%s cannot be unpaused now", task.gid) end
  ctx.tasks:start({ task.id })
  return task.gid
end

function M.unpauseAll(ctx)
  ctx.tasks:start(idsIn(ctx, { paused = true }))
  return "OK"
end

function M.tellStatus(ctx, params)
  if params[1] == nil then return missing(0) end
  local task = findTask(ctx, params[1])
  if task then return status.filter(status.of(task), params[2]) end
  local removed = ctx.removedResult(params[1])
  if removed then return status.filter(removed, params[2]) end
  return notFound(params[1])
end

local function listOf(ctx, states, keys)
  local out = {}
  for _, task in ipairs(ctx.tasks:all()) do
    if states[task.state] then out[#out + 1] = status.filter(status.of(task), keys) end
  end
  return out
end

-- page(list, offset, num): from the front for offset >= 0; a negative
-- offset counts from the back and answers in reverse, as clients expect.
local function page(list, offset, num)
  offset, num = tonumber(offset), tonumber(num)
  if not offset or not num or num < 0 then return nil, "offset and num must be numbers, num not negative" end
  local out = {}
  if offset >= 0 then
    for i = offset + 1, math.min(#list, offset + num) do out[#out + 1] = list[i] end
  else
    for i = #list + offset + 1, 1, -1 do
      if #out >= num then break end
      out[#out + 1] = list[i]
    end
  end
  return out
end

function M.tellActive(ctx, params) return listOf(ctx, { running = true }, params[1]) end

function M.tellWaiting(ctx, params)
  if params[1] == nil then return missing(0) end
  if params[2] == nil then return missing(1) end
  return page(listOf(ctx, { queued = true, paused = true }, params[3]), params[1], params[2])
end

function M.tellStopped(ctx, params)
  if params[1] == nil then return missing(0) end
  if params[2] == nil then return missing(1) end
  local list = listOf(ctx, { done = true, failed = true }, params[3])
  for _, snapshot in ipairs(ctx.removedResults()) do list[#list + 1] = status.filter(snapshot, params[3]) end
  return page(list, params[1], params[2])
end

function M.getGlobalStat(ctx)
  local running, waiting, stopped, speed = 0, 0, #ctx.removedResults(), 0
  for _, task in ipairs(ctx.tasks:all()) do
    if task.state == "running" then
      running = running + 1
      speed = speed + (tonumber(task.speed) or 0)
    elseif task.state == "queued" or task.state == "paused" then
      waiting = waiting + 1
    else
      stopped = stopped + 1
    end
  end
  local function text(n) return string.format("%.0f", n) end
  return object({
    downloadSpeed = text(speed), uploadSpeed = "0", numActive = text(running), numWaiting = text(waiting),
    numStopped = text(stopped), numStoppedTotal = text(stopped),
  })
end

function M.changeOption(ctx, params)
  local task = findTask(ctx, params[1])
  if not task then return notFound(params[1]) end
  if type(params[2]) ~= "table" then return missing(1) end
  -- The limit holds for a running task at once; connections and checksum
  -- are taken when the task is next handed to the engine (after a pause).
  local options, why = engineOptions(params[2])
  if not options then return nil, why end
  local ok, message = ctx.tasks:setOwnOptions(task, options)
  if not ok then return nil, message end
  return "OK"
end

-- The waiting queue the established server keeps: tasks waiting for a
-- slot and paused ones, in queue order.
local function waiting(task) return task.state == "queued" or task.state == "paused" end

local WHENCE = { POS_SET = true, POS_CUR = true, POS_END = true }

-- Where a move ends, from 0: counted from the front, from the task's own
-- place or from the last place, and kept inside the queue.
local function destination(pos, how, current, count)
  local base = how == "POS_CUR" and current or how == "POS_END" and count - 1 or 0
  local n = pos < 0 and math.ceil(pos) or math.floor(pos)
  return math.max(0, math.min(count - 1, base + n))
end

function M.changePosition(ctx, params)
  local gid, pos, how = params[1], params[2], params[3]
  if gid == nil then return missing(0) end
  if pos == nil then return missing(1) end
  if how == nil then return missing(2) end
  if type(pos) ~= "number" or pos ~= pos or pos == math.huge or pos == -math.huge then
    return nil, "The parameter at 1 has wrong type."
  end
  if type(how) ~= "string" then return nil, "The parameter at 2 has wrong type." end
  local task = findTask(ctx, gid)
  if not task then return notFound(gid) end
  if not WHENCE[how] then return nil, "Illegal argument." end
  local current, count = nil, 0
  for _, each in ipairs(ctx.tasks:all()) do
    if waiting(each) then
      if each == task then current = count end
      count = count + 1
    end
  end
  if not current then return nil, string.format("GID#%s not found in the waiting queue.", task.gid) end
  local dest = destination(pos, how, current, count)
  local ok, message = ctx.tasks:place(task.id, dest + 1, waiting)
  if not ok then return nil, message end
  return dest
end

function M.changeGlobalOption(ctx, params)
  local options = params[1]
  if type(options) ~= "table" then return missing(0) end
  local changes = {}
  if options["max-overall-download-limit"] ~= nil then
    local bytes = M.size(options["max-overall-download-limit"])
    if not bytes then return nil, "max-overall-download-limit must be a size such as 500K or 2M" end
    changes.speedLimit = math.ceil(bytes / 1024)
  end
  if options["max-concurrent-downloads"] ~= nil then
    local n = tonumber(options["max-concurrent-downloads"])
    if not n or n < 1 or n ~= math.floor(n) then return nil, "max-concurrent-downloads must be a whole number" end
    changes.concurrent = n
  end
  for key, value in pairs(changes) do ctx.changeSetting(key, value) end
  return "OK"
end

function M.getGlobalOption(ctx)
  local settings = ctx.settings()
  return object({
    dir = ctx.defaultFolder(),
    ["max-concurrent-downloads"] = tostring(settings.concurrent),
    ["max-overall-download-limit"] = string.format("%.0f", settings.speedLimit * 1024),
    ["max-download-limit"] = "0",
    split = tostring(settings.connections),
    ["continue"] = "true",
  })
end

function M.getVersion()
  return object({ version = VERSION, enabledFeatures = { "HTTPS", "Message Digest" } })
end

function M.purgeDownloadResult(ctx)
  local ok, message = ctx.tasks:delete(idsIn(ctx, { done = true, failed = true }), false)
  if not ok then return nil, message end
  ctx.forgetRemoved(nil)
  return "OK"
end

function M.removeDownloadResult(ctx, params)
  local task = findTask(ctx, params[1])
  if task then
    if not stoppedStatus(task) then
      return nil, string.format("Could not remove download result of GID#%s", task.gid)
    end
    local ok, message = ctx.tasks:delete({ task.id }, false)
    if not ok then return nil, message end
    return "OK"
  end
  if ctx.forgetRemoved(params[1]) then return "OK" end
  return notFound(params[1])
end

M.NOTIFICATIONS = {
  "aria2.onDownloadStart", "aria2.onDownloadPause", "aria2.onDownloadStop", "aria2.onDownloadComplete",
  "aria2.onDownloadError",
}

-- The names clients call, in a stable order.
M.NAMES = {
  "addUri", "remove", "forceRemove", "pause", "forcePause", "pauseAll", "forcePauseAll", "unpause", "unpauseAll",
  "tellStatus", "tellActive", "tellWaiting", "tellStopped", "getGlobalStat", "changePosition", "changeOption",
  "changeGlobalOption", "getGlobalOption", "getVersion", "purgeDownloadResult", "removeDownloadResult",
}

-- call(ctx, method, params) -> result, or nil and a message.
function M.call(ctx, method, params)
  if method == "system.listMethods" then
    local names = {}
    for i, name in ipairs(M.NAMES) do names[i] = "aria2." .. name end
    names[#names + 1] = "system.multicall"
    names[#names + 1] = "system.listMethods"
    names[#names + 1] = "system.listNotifications"
    return names
  end
  if method == "system.listNotifications" then return M.NOTIFICATIONS end
  local name = type(method) == "string" and method:match("^aria2%.(%w+)$")
  local fn = name and M[name]
  local known = false
  for _, each in ipairs(M.NAMES) do known = known or each == name end
  if not fn or not known then return nil, "No such method: " .. tostring(method) end
  return fn(ctx, params or {})
end

return M
