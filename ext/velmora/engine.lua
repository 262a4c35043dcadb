-- The download engine as the scripts see it: the host's dl_* functions,
-- looked up when called so that a build without the engine still runs the
-- window (every call then fails with a message instead of an error). Tests
-- hand in a table of their own with use().
local host = require("velmora.host")

local M = {}

local NAMES = { "add", "start", "pause", "remove", "info", "list", "setMaxActive", "setLimit", "setConnections",
  "suggestName" }

local injected

-- use(table) replaces the host's functions: { add = fn, start = fn, ... }.
-- use(nil) goes back to the host's.
function M.use(fake) injected = fake end

local function fn(name)
  if injected then return injected[name] end
  return host.get("dl_" .. name)
end

function M.available()
  for _, name in ipairs(NAMES) do
    if type(fn(name)) ~= "function" then return false end
  end
  return true
end

M.UNAVAILABLE = "the download engine is not available in this build"

-- call(name, ...) -> the function's results, or nil and a message. A native
-- function that raises (it should not) is turned into a message as well.
local function call(name, ...)
  local f = fn(name)
  if type(f) ~= "function" then return nil, M.UNAVAILABLE end
  local results = { pcall(f, ...) }
  if not results[1] then return nil, tostring(results[2]) end
  return unpack(results, 2, table.maxn(results))
end

function M.add(url, folder, options) return call("add", url, folder, options) end
function M.start(id) return call("start", id) end
function M.pause(id) return call("pause", id) end
function M.remove(id, deleteFiles) return call("remove", id, deleteFiles and true or false) end
function M.info(id) return call("info", id) end
function M.list() return call("list") end
function M.setMaxActive(n) return call("setMaxActive", n) end
function M.setLimit(bytesPerSecond) return call("setLimit", bytesPerSecond) end
function M.setConnections(n) return call("setConnections", n) end
-- Newer pieces; a host without them answers with a message, and the
-- engine counts as available without them.
function M.restart(id, options) return call("restart", id, options) end
-- setUrl(id, url) -> true, or nil, a message and a cause: the task goes on
-- from a fresh link to the same file.
function M.setUrl(id, url) return call("setUrl", id, url) end
-- setTaskLimit(id, bytesPerSecond) -> true, or nil, a message and a cause:
-- the task's own limit, held at once by a running transfer; 0 lifts it.
function M.setTaskLimit(id, bytesPerSecond) return call("setTaskLimit", id, bytesPerSecond) end
-- suggestName(url [, name]) -> the name the engine starts a file from.
function M.suggestName(url, name) return call("suggestName", url, name) end

-- With a main window the engine posts this message on every state change
-- of a task: wParam the engine's task id, lParam the new state.
M.STATE_MESSAGE = 3020

-- The states the engine reports; anything else is taken as failed.
M.STATES = { queued = true, running = true, paused = true, done = true, failed = true }

return M
