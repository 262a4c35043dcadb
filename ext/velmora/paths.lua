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

-- Two encodings meet here. Script texts, and so every file name given to
-- or taken from the host's libraries (sqlite_dbopen, xml_*, dl_*, ui_*),
-- are in the ANSI code page; Lua's own io and os functions and the
-- environment use the system's bytes (UTF-8). ansi() and native() convert
-- between them; plain ASCII, the usual case, passes through untouched.
local function codePageCharset()
  local cp = tonumber(os.getenv("VELMORA_ACP") or "")
  if cp == 65001 then return nil end
  if not cp or cp == 936 then return "CP936" end
  return "CP" .. cp
end

local converted = {}

local function convert(text, from, to)
  if not text:find("[\128-\255]") or not from or not to then return text end
  local key = from .. ">" .. to .. ":" .. text
  if converted[key] then return converted[key] end
  -- iconv writes what it managed before failing, so only output followed
  -- by the marker (printed when it succeeded) counts.
  local marker = "\1ok"
  local pipe = io.popen("printf '%s' " .. M.shellQuote(text) .. " | iconv -f " .. from .. " -t " .. to
    .. " 2>/dev/null && printf '\\001ok'")
  local out = pipe and pipe:read("*a") or ""
  if pipe then pipe:close() end
  -- A name the other side cannot spell stays as it was; opening it then
  -- fails with a message instead of reaching a different file.
  if out:sub(-#marker) == marker then out = out:sub(1, -#marker - 1) else out = text end
  converted[key] = out
  return out
end

-- True when the scripts' code page is UTF-8 itself.
function M.ansiIsUtf8() return codePageCharset() == nil end

function M.ansi(native) return convert(tostring(native), "UTF-8", codePageCharset()) end
function M.native(ansi)
  local charset = codePageCharset()
  return convert(tostring(ansi), charset, charset and "UTF-8")
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
