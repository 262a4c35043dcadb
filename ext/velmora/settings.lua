-- The user's settings: one XML file in the configuration folder. Saving
-- writes a temporary file beside it and renames it over the old one, so a
-- crash mid-save leaves either the old or the new file, never half of one.
-- A file that does not parse is set aside and the defaults are used.
local host = require("velmora.host")
local paths = require("velmora.paths")
local trim = require("velmora.text").trim
local categories = require("velmora.categories")
local schedule = require("velmora.schedule")

local M = {}

-- Every setting: its default and how a stored text becomes a value.
-- speedLimit is in KB/s (0: none).
M.fields = {
  { key = "concurrent", kind = "int", default = 3, min = 1, max = 20 },
  { key = "speedLimit", kind = "int", default = 0, min = 0, max = 10 * 1024 * 1024 },
  { key = "folder", kind = "folder", default = "" },
  { key = "resume", kind = "bool", default = true },
  { key = "notify", kind = "bool", default = false },
  { key = "connections", kind = "int", default = 4, min = 1, max = 16 },
  { key = "clipboard", kind = "bool", default = false },
  { key = "extract", kind = "bool", default = true },
  { key = "closeToTray", kind = "bool", default = false },
  -- What to do with a link or file that is already there; "ask" asks.
  { key = "duplicateAction", kind = "choice", default = "ask",
    choices = { "ask", "open", "rename", "replace", "skip" } },
  -- Remote control: on in the window only when allowed; always on headless.
  { key = "remoteControl", kind = "bool", default = false },
  { key = "rpcHost", kind = "text", default = "127.0.0.1" },
  { key = "rpcPort", kind = "int", default = 6800, min = 1, max = 65535 },
  -- Written with a random value on the first start that needs one.
  { key = "rpcSecret", kind = "text", default = "" },
  -- Web pages allowed to call, separated by spaces ("https://ui.example").
  { key = "rpcOrigins", kind = "text", default = "" },
  -- Folders besides the download folder that callers may save into, one
  -- full path each, separated by ":".
  { key = "rpcFolders", kind = "text", default = "" },
  { key = "rpcAllowPlain", kind = "bool", default = false },
  { key = "rpcCertificate", kind = "text", default = "" },
  { key = "rpcKey", kind = "text", default = "" },
  -- Files sorted into a subfolder per kind; the extensions of each kind.
  { key = "categories", kind = "bool", default = false },
  -- The queue starts at scheduleStart and is paused at scheduleStop ("HH:MM",
  -- empty: not at all) on the weekdays listed, 1 (Monday) to 7.
  { key = "scheduleStart", kind = "time", default = "" },
  { key = "scheduleStop", kind = "time", default = "" },
  { key = "scheduleDays", kind = "days", default = "1234567" },
  -- From limitFrom to limitTo windowLimit (KB/s, 0: none) replaces speedLimit.
  { key = "limitFrom", kind = "time", default = "" },
  { key = "limitTo", kind = "time", default = "" },
  { key = "windowLimit", kind = "int", default = 0, min = 0, max = 10 * 1024 * 1024 },
  -- When the queue runs dry: nothing, quit, or run doneCommand (words
  -- separated by blanks, no shell). doneCommandAllowed is the command as
  -- the user last confirmed it; any other text asks again.
  { key = "whenDone", kind = "choice", default = "nothing", choices = { "nothing", "quit", "command" } },
  { key = "doneCommand", kind = "text", default = "" },
  { key = "doneCommandAllowed", kind = "text", default = "" },
}
for _, key in ipairs(categories.KEYS) do
  local list = categories.SETTINGS[key]
  if list then M.fields[#M.fields + 1] = { key = list.key, kind = "extensions", default = list.default } end
end

local byKey = {}
for _, field in ipairs(M.fields) do byKey[field.key] = field end

function M.defaults()
  local out = {}
  for _, field in ipairs(M.fields) do out[field.key] = field.default end
  return out
end

-- coerce(key, value) -> the value as the setting takes it, or nil when it
-- cannot be one (an unknown key, text where a number belongs). Numbers out
-- of range are brought into it.
function M.coerce(key, value)
  local field = byKey[key]
  if not field then return nil end
  if field.kind == "int" then
    local n = tonumber(value)
    if not n or n ~= n then return nil end
    n = math.floor(n)
    if n < field.min then n = field.min end
    if n > field.max then n = field.max end
    return n
  elseif field.kind == "bool" then
    if value == true or value == "1" or value == 1 or value == "true" then return true end
    if value == false or value == "0" or value == 0 or value == "false" then return false end
    return nil
  end
  if value == nil then return nil end
  value = trim(tostring(value))
  if field.kind == "time" then return schedule.validTime(value) and value or nil end
  if field.kind == "days" then return schedule.validDays(value) and value or nil end
  if field.kind == "choice" then
    for _, choice in ipairs(field.choices) do
      if value == choice then return value end
    end
    return nil
  end
  -- A folder is a full path, or empty for "the selected save location".
  if field.kind == "folder" and value ~= "" and value:sub(1, 1) ~= "/" then return nil end
  if field.kind == "extensions" then
    local exts = categories.parseList(value)
    return exts and table.concat(exts, " ") or nil
  end
  return value
end

-- Why check() refused a value, by the kind of its field.
local REFUSED = { folder = "relative", extensions = "extensions", time = "time", days = "days" }

-- check(key, typed) -> the value as typed on the settings page, or nil and
-- why not: "unknown", "number" (not a whole number), "range" (with the
-- field's min and max), "relative" (a folder that is no full path), "time"
-- (not "HH:MM"), "days" (not weekday digits 1 to 7). Unlike
-- coerce, nothing is brought into range: the user sees what was wrong.
function M.check(key, typed)
  local field = byKey[key]
  if not field then return nil, "unknown" end
  if field.kind == "int" then
    local text = trim(tostring(typed or ""))
    local n = text:match("^%d+$") and tonumber(text)
    if not n then return nil, "number", field end
    if n < field.min or n > field.max then return nil, "range", field end
    return n
  end
  local value = M.coerce(key, typed)
  if value == nil then return nil, REFUSED[field.kind] or "unknown", field end
  return value
end

local function encode(field, value)
  if field.kind == "bool" then return value and "1" or "0" end
  return tostring(value)
end

function M.path() return paths.configDir() .. "/settings.xml" end

-- The file is read and written with io and parsed with xml_setdoc, not
-- xml_load/xml_save: those take the file name as ANSI text, and a home
-- folder whose name is UTF-8 would then name a different file.
local function readFile(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local text = f:read("*a")
  f:close()
  return text
end

-- load([path]) -> settings table, notices. Never fails: whatever cannot be
-- read falls back to the default.
function M.load(path)
  path = path or M.path()
  local values, notices = M.defaults(), {}
  local text = readFile(path)
  if not text then return values, notices end
  local doc = host.xml_new()
  local parsed = host.xml_setdoc(doc, text) and host.xml_findElem(doc, "settings")
  if not parsed then
    host.xml_del(doc)
    local aside = paths.asideName(path, "damaged")
    if os.rename(path, aside) then
      notices[#notices + 1] = { kind = "settings-set-aside", file = aside }
    else
      notices[#notices + 1] = { kind = "settings-unreadable", file = path }
    end
    return values, notices
  end
  host.xml_intoElem(doc)
  for _, field in ipairs(M.fields) do
    host.xml_resetMainPos(doc)
    if host.xml_findElem(doc, field.key) then
      local value = M.coerce(field.key, host.xml_getData(doc))
      if value ~= nil then values[field.key] = value end
    end
  end
  host.xml_del(doc)
  return values, notices
end

-- save(values [, path]) -> true, or nil and a message.
function M.save(values, path)
  path = path or M.path()
  local ok, message = paths.makeDirs(paths.dirname(path))
  if not ok then return nil, message end
  local doc = host.xml_new()
  host.xml_addElem(doc, "settings")
  host.xml_setAttrib(doc, "version", 1)
  host.xml_intoElem(doc)
  for _, field in ipairs(M.fields) do
    local value = values[field.key]
    if value == nil then value = field.default end
    host.xml_addElem(doc, field.key)
    host.xml_setData(doc, encode(field, value))
  end
  local text = host.xml_getdoc(doc)
  host.xml_del(doc)
  local temp = path .. ".tmp"
  local f = io.open(temp, "wb")
  local written = f and f:write(text) and f:flush()
  if f then f:close() end
  if not written then
    os.remove(temp)
    return nil, "cannot write " .. temp
  end
  local renamed, failure = os.rename(temp, path)
  if not renamed then
    os.remove(temp)
    return nil, failure
  end
  return true
end

return M
