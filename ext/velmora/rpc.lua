-- Remote control as the product runs it: starts the server from the
-- settings (and the command line when headless), makes the secret on the
-- first start that needs one, serves the waiting calls through the methods,
-- and tells WebSocket clients when a task starts, pauses, stops, completes
-- or fails, in the order the established server does.
local host = require("velmora.host")
local methods = require("velmora.rpc_methods")
local folders = require("velmora.rpc_folders")
local status = require("velmora.rpc_status")

local M = {}

local MAX_REMOVED = 1000

local ctx
local removed = {}      -- snapshots of tasks removed by callers, oldest first
local lastState = {}    -- gid -> the state last seen
local announced = {}    -- gid -> true once a start was sent for this run
local gidOf = {}        -- task id -> gid, for tasks removed by id

local function notify(name, gid)
  local send = host.get("rpc_notify")
  if type(send) == "function" then send("aria2." .. name, gid) end
end

-- listen("host:port" | "port" | "[v6]:port") -> host, port, or nil.
function M.parseListen(text)
  text = tostring(text or "")
  local v6, v6port = text:match("^%[([%x:]+)%]:(%d+)$")
  if v6 then return v6, tonumber(v6port) end
  if text:match("^%d+$") then return nil, tonumber(text) end
  local name, port = text:match("^([^:]+):(%d+)$")
  if name then return name, tonumber(port) end
  return nil
end

-- The secret: the command line's for this run, else the settings', else a
-- new random one written to the settings.
local function secretOf(settings, options)
  if options.secret and options.secret ~= "" then return options.secret end
  if settings.rpcSecret ~= "" then return settings.rpcSecret end
  local random = host.get("rpc_randomHex")
  local fresh = type(random) == "function" and random(16)
  if not fresh then return nil, "no random source for a secret" end
  settings.rpcSecret = fresh
  local ok, message = options.saveSettings(settings)
  if not ok then return nil, "cannot record the new secret: " .. tostring(message) end
  return fresh
end

function M.folders()
  local list = { ctx.defaultFolder() }
  for _, folder in ipairs(folders.split(ctx.settings().rpcFolders)) do list[#list + 1] = folder end
  for _, folder in ipairs(ctx.extraFolders or {}) do list[#list + 1] = folder end
  return list
end

-- configure(options): what the methods reach. options = { tasks = fn,
-- settings = fn, saveSettings = fn, changeSetting = fn, defaultFolder = fn,
-- add = fn, allowDirs = { ... } }
function M.configure(options)
  ctx = {
    settings = options.settings,
    defaultFolder = options.defaultFolder,
    changeSetting = options.changeSetting,
    add = options.add,
    extraFolders = options.allowDirs,
    folders = M.folders,
    removed = M.recordRemoved,
    removedResults = function() return removed end,
    removedResult = M.removedResult,
    forgetRemoved = M.forgetRemoved,
  }
  ctx.tasks = options.tasks
  return ctx
end

-- start(options) -> port, or nil and a message. options as configure()
-- plus headless, listen, secret (the command line's), saveSettings.
function M.start(options)
  M.configure(options)
  local settings = options.settings()
  if not options.headless and not settings.remoteControl then return nil, "remote control is off" end
  local secret, why = secretOf(settings, options)
  if not secret then return nil, why end
  if options.printSecret then
    io.write(secret, "\n")
    return nil, "the secret was asked for, not a server"
  end
  local hostName, port = settings.rpcHost, settings.rpcPort
  if options.listen then
    local h, p = M.parseListen(options.listen)
    if not p or p < 1 or p > 65535 then return nil, "--rpc-listen takes HOST:PORT or PORT" end
    hostName, port = h or hostName, p
  end
  local origins = {}
  for origin in tostring(settings.rpcOrigins or ""):gmatch("%S+") do origins[#origins + 1] = origin end
  for _, task in ipairs(ctx.tasks:all()) do
    lastState[task.gid], gidOf[task.id] = task.state, task.gid
  end
  local begin = host.get("rpc_start")
  if type(begin) ~= "function" then return nil, "remote control is not in this build" end
  return begin({
    host = hostName, port = port, secret = secret, origins = origins, allowPlain = settings.rpcAllowPlain,
    certificate = settings.rpcCertificate, key = settings.rpcKey,
  })
end

function M.stop()
  local halt = host.get("rpc_stop")
  if type(halt) == "function" then halt() end
end

local function handle(method, params)
  local result, message = methods.call(ctx, method, params)
  if result == nil then return nil, message, 1 end
  return result
end

-- serve() -> how many calls ran.
function M.serve()
  local run = host.get("rpc_serve")
  if not ctx or type(run) ~= "function" then return 0 end
  return run(handle)
end

function M.recordRemoved(snapshot)
  removed[#removed + 1] = snapshot
  if #removed > MAX_REMOVED then table.remove(removed, 1) end
end

function M.removedResult(gid)
  for _, snapshot in ipairs(removed) do
    if snapshot.gid == gid then return snapshot end
  end
end

-- forgetRemoved(gid) -> true when it was kept; nil forgets them all.
function M.forgetRemoved(gid)
  if gid == nil then
    removed = {}
    return true
  end
  for i, snapshot in ipairs(removed) do
    if snapshot.gid == gid then
      table.remove(removed, i)
      return true
    end
  end
  return false
end

-- taskChanged(task): sends what clients are told about the change. A task
-- that fails or completes before a start was sent gets its start first.
function M.taskChanged(task)
  local gid = task.gid
  if not gid then return end
  gidOf[task.id] = gid
  local before, now = lastState[gid], task.state
  if before == now then return end
  lastState[gid] = now
  if now == "running" or (now == "queued" and before == "paused") then
    if not announced[gid] then notify("onDownloadStart", gid) end
    announced[gid] = true
  elseif now == "paused" then
    announced[gid] = nil
    notify("onDownloadPause", gid)
  elseif now == "done" or now == "failed" then
    if not announced[gid] then notify("onDownloadStart", gid) end
    announced[gid] = nil
    notify(now == "done" and "onDownloadComplete" or "onDownloadError", gid)
  end
end

function M.tasksRemoved(ids)
  for _, id in ipairs(ids) do
    local gid = gidOf[id]
    if gid then
      if lastState[gid] ~= "done" and lastState[gid] ~= "failed" then notify("onDownloadStop", gid) end
      lastState[gid], announced[gid], gidOf[id] = nil, nil, nil
    end
  end
end

M.status = status

return M
