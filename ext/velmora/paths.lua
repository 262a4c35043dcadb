-- Where the user's data and settings live, following the desktop's base
-- directory rules, and the few file-system helpers plain Lua lacks.
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

-- Quoted for the shell: single quotes, with embedded ones closed and reopened.
function M.shellQuote(text)
  return "'" .. tostring(text):gsub("'", "'\\''") .. "'"
end

function M.exists(path)
  local f = io.open(path, "rb")
  if f then f:close() return true end
  return false
end

function M.isDir(path)
  local f = io.open(path .. "/.", "rb")
  if f then f:close() return true end
  return false
end

-- makeDirs(path) -> true, or nil and a message. Private to the user, as
-- download history is.
function M.makeDirs(path)
  if M.isDir(path) then return true end
  local ok = os.execute("mkdir -p -m 700 -- " .. M.shellQuote(path) .. " 2>/dev/null")
  if (ok == 0 or ok == true) and M.isDir(path) then return true end
  return nil, "cannot create the folder " .. path
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
