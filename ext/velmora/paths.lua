-- Where the user's data and settings live, following the desktop's base
-- directory rules, and the few file-system helpers plain Lua lacks.
local host = require("velmora.host")

local M = {}

local function home()
  local h = os.getenv("HOME")
  if h and h ~= "" then return h end
  return "/tmp"
end

local function xdg(variable, fallback)
  local value = os.getenv(variable)
  -- Relative values are invalid by the rules and must be ignored.
  if value and value:sub(1, 1) == "/" then return value end
  return home() .. fallback
end

function M.dataDir() return xdg("XDG_DATA_HOME", "/.local/share") .. "/velmora" end
function M.configDir() return xdg("XDG_CONFIG_HOME", "/.config") .. "/velmora" end

function M.downloadDir()
  local dir = os.getenv("XDG_DOWNLOAD_DIR")
  if dir and dir:sub(1, 1) == "/" then return dir end
  return home() .. "/Downloads"
end

-- Two encodings meet here. Script texts, and so every file name given to
-- or taken from the host's libraries, are in the ANSI code page; Lua's own
-- io and os functions and the environment use the system's bytes (UTF-8).
-- ansi() and native() convert between them through the host; a name the
-- other side cannot spell gives nil and a message, never a changed name
-- that would reach a different file.
function M.ansi(native) return host.fs_fromNative(tostring(native)) end
function M.native(ansi) return host.fs_toNative(tostring(ansi)) end
-- shown(native) -> the path to put in a text for the user; as it is when
-- the host cannot spell it.
function M.shown(native) return M.ansi(native) or tostring(native) end

-- The file-system questions take native paths, as io.open does.
local function asked(question, path)
  local ansi, message = M.ansi(path)
  if not ansi then return nil, message end
  return question(ansi)
end

function M.exists(path) return asked(host.fs_exists, path) end
function M.isDir(path) return asked(host.fs_isDir, path) end

-- makeDirs(path) -> true, or nil and a message. Private to the user, as
-- download history is.
function M.makeDirs(path)
  return asked(function(ansi) return host.fs_makeDirs(ansi, true) end, path)
end

function M.join(folder, name)
  if folder:sub(-1) == "/" then return folder .. name end
  return folder .. "/" .. name
end

function M.dirname(path)
  return (tostring(path):match("^(.*)/[^/]*$")) or "."
end

-- A name for a file set aside: "tasks.db.damaged-20261208-063012".
function M.asideName(path, why)
  local base = path .. "." .. why .. "-" .. os.date("%Y%m%d-%H%M%S")
  local candidate, n = base, 1
  while M.exists(candidate) do
    candidate = base .. "-" .. n
    n = n + 1
  end
  return candidate
end

return M
