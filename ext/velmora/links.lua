-- Links handed over from outside: "#clicent#" followed by a URL, or by a
-- small JSON object {"url": ..., "name": ..., "referrer": ...} (a browser
-- host may add cookies, userAgent and fileSize). Whatever arrives is
-- checked; nothing here raises.
local json = require("velmora.json")
local paths = require("velmora.paths")
local trim = require("velmora.text").trim

local M = {}

M.PREFIX = "#clicent#"

-- isClientCommand(text) -> true when text is a client hand-over: it begins
-- with the prefix exactly, letters in this case.
function M.isClientCommand(text)
  return type(text) == "string" and text:sub(1, #M.PREFIX) == M.PREFIX
end

-- fromCommandLine(text) -> text as a client hand-over when it begins with
-- the prefix in any case (as the host reads a command line), the prefix
-- then spelled exactly; nil otherwise.
function M.fromCommandLine(text)
  if type(text) ~= "string" or text:sub(1, #M.PREFIX):lower() ~= M.PREFIX then return nil end
  return M.PREFIX .. text:sub(#M.PREFIX + 1)
end
local MAX_FIELD = 8192
local MAX_BODY = 64 * 1024

-- Hand-over text arrives in the scripts' code page; a \u escape must end up
-- in it too. A character the code page cannot spell becomes "?".
local function ansiCodePoints()
  local seen = {}
  return function(code)
    local utf8 = json.utf8(code)
    if code < 0x80 then return utf8 end
    if not seen[code] then seen[code] = paths.ansi(utf8) or "?" end
    return seen[code]
  end
end

local function textField(object, key)
  local value = object[key]
  if type(value) == "number" then value = tostring(value) end
  if type(value) ~= "string" or value == "" or #value > MAX_FIELD then return nil end
  if value:find("[%z\1-\31]") then return nil end
  return value
end

-- parse(handed) -> { url = ..., name = ..., referrer = ..., ... }, or nil and
-- a message saying why the hand-over was refused.
function M.parse(handed)
  if type(handed) ~= "string" then return nil, "no text" end
  if not M.isClientCommand(handed) then return nil, "not a client hand-over" end
  if #handed > MAX_BODY then return nil, "hand-over too long" end
  local body = trim(handed:sub(#M.PREFIX + 1))
  if body == "" then return nil, "empty hand-over" end
  if body:sub(1, 1) ~= "{" then
    if not body:match("^%a[%w+.-]*://") then return nil, "not a link" end
    return { url = body }
  end
  local object, message = json.decode(body, ansiCodePoints())
  if type(object) ~= "table" then return nil, "bad JSON: " .. tostring(message or "not an object") end
  local link = {
    url = textField(object, "url"),
    name = textField(object, "name"),
    referrer = textField(object, "referrer"),
    cookies = textField(object, "cookies"),
    userAgent = textField(object, "userAgent"),
  }
  local size = tonumber(object.fileSize)
  if size and size >= 0 and size == math.floor(size) then link.fileSize = size end
  if not link.url then return nil, "the hand-over names no URL" end
  return link
end

return M
