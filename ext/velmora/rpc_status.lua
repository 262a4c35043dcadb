-- A task as remote-control clients read it: the key set and value types of
-- the established status structure, every number as decimal text. Piece
-- fields describe the task in neutral pieces of a fixed length, the first
-- ones done as far as the task got.
local M = {}

M.PIECE_LENGTH = 1048576

-- The task controller's states in the clients' words.
M.STATUS = { running = "active", queued = "waiting", paused = "paused", done = "complete", failed = "error" }

local function text(n)
  n = tonumber(n) or 0
  if n < 0 then n = 0 end
  return string.format("%.0f", n)
end

local function pieces(total)
  if total <= 0 then return 0 end
  return math.ceil(total / M.PIECE_LENGTH)
end

-- One hex digit per four pieces, high bit first; pieces fully done are set.
local function bitfield(total, done)
  local count = pieces(total)
  local full = math.floor(math.max(0, done) / M.PIECE_LENGTH)
  if done >= total then full = count end
  local digits = {}
  for first = 0, count - 1, 4 do
    local value = 0
    for bit = 0, 3 do
      if first + bit < full then value = value + 2 ^ (3 - bit) end
    end
    digits[#digits + 1] = string.format("%x", value)
  end
  return table.concat(digits)
end

local function folderOf(task)
  local folder = task.folder or ""
  if folder == "" and type(task.file) == "string" then folder = task.file:match("^(.*)/[^/]*$") or "" end
  return folder
end

local function files(task, total, done)
  return { {
    index = "1", path = task.file or "", length = text(total), completedLength = text(done), selected = "true",
    uris = { { uri = task.url or "", status = "used" } },
  } }
end

-- of(task [, status]) -> the full structure. `status` overrides the
-- task's own (a removed task keeps its last figures).
function M.of(task, status)
  local total = tonumber(task.total) or -1
  local done = tonumber(task.done) or 0
  local known = total >= 0 and total or 0
  status = status or M.STATUS[task.state] or "error"
  local out = {
    gid = task.gid, status = status, totalLength = text(known), completedLength = text(done),
    uploadLength = "0", downloadSpeed = text(status == "active" and task.speed or 0), uploadSpeed = "0",
    connections = text(status == "active" and (task.connections or 1) or 0), dir = folderOf(task),
    files = files(task, known, done), pieceLength = text(M.PIECE_LENGTH), numPieces = text(pieces(known)),
  }
  -- Empty while the size is unknown: clients read it as "no pieces yet".
  out.bitfield = known > 0 and bitfield(known, done) or ""
  if status == "error" or status == "complete" or status == "removed" then
    out.errorCode = status == "error" and "1" or (status == "removed" and "31" or "0")
    out.errorMessage = status == "error" and tostring(task.error or "") or ""
  end
  return out
end

-- filter(structure, keys) -> only the keys asked for (all when keys is
-- empty or nil). The answer is marked as an object so that no keys at all
-- still travel as {}.
function M.filter(structure, keys)
  if type(keys) ~= "table" or #keys == 0 then return structure end
  local out = setmetatable({}, { __jsonobject = true })
  for _, key in ipairs(keys) do
    if type(key) == "string" then out[key] = structure[key] end
  end
  return out
end

return M
