-- Task identifiers for remote control: 16 lower-case hex digits, random
-- (from the host's random source when there is one), kept with the task in
-- the task database so they survive restarts.
local host = require("velmora.host")

local M = {}

local seeded = false

local function fallbackHex()
  if not seeded then
    math.randomseed(os.time() + math.floor(os.clock() * 1000000))
    seeded = true
  end
  local parts = {}
  for i = 1, 4 do parts[i] = string.format("%04x", math.random(0, 0xffff)) end
  return table.concat(parts)
end

-- new(taken) -> a fresh identifier not in the set `taken` (gid -> true).
function M.new(taken)
  for _ = 1, 16 do
    local random = host.get("rpc_randomHex")
    local gid = type(random) == "function" and random(8) or nil
    gid = gid or fallbackHex()
    if not (taken and taken[gid]) then return gid end
  end
  return fallbackHex()
end

-- valid(text) -> true for text shaped like an identifier.
function M.valid(text)
  return type(text) == "string" and #text == 16 and text:match("^%x+$") ~= nil
end

-- assign(tasks) -> the tasks that had none and got one now (rows from a
-- database older than identifiers).
function M.assign(tasks)
  local taken, fresh = {}, {}
  for _, task in ipairs(tasks) do
    if M.valid(task.gid) then taken[task.gid:lower()] = true end
  end
  for _, task in ipairs(tasks) do
    if not M.valid(task.gid) then
      task.gid = M.new(taken)
      taken[task.gid] = true
      fresh[#fresh + 1] = task
    end
  end
  return fresh
end

return M
