-- Numbers as people read them: sizes, speeds, time left and dates, in the
-- active language's way (the catalogue's format.* keys). Units are binary
-- (1 KB = 1024 bytes), as file managers on this desktop show them.
local host = require("velmora.host")
local words = require("velmora.text").words

local M = {}

-- What a catalogue gives when it says nothing: the default language's way.
local DEFAULTS = {
  ["format.date"] = "{year}-{month}-{day}", ["format.time"] = "{hour}:{minute}",
  ["format.timeSeconds"] = "{hour}:{minute}:{second}", ["format.dateTime"] = "{year}-{month}-{day} {hour}:{minute}",
  ["format.thousands"] = "", ["format.decimal"] = ".",
  ["format.units"] = "B KB MB GB TB", ["format.speed"] = "%s/s", ["format.unknown"] = "-",
  ["format.seconds"] = "%ds", ["format.daysHours"] = "%dd %dh", ["format.months"] = "",
}

local style, units, months = {}, {}, {}

-- reload([texts]) -> texts: the formats of the language active now; texts
-- is the host's catalogue (key -> text), read afresh when not given, and
-- handed back for the other texts (strings.lua).
function M.reload(texts)
  if texts == nil and host.has("lang_texts") then texts = host.lang_texts() end
  if type(texts) ~= "table" then texts = {} end
  for key, fallback in pairs(DEFAULTS) do
    -- The host has already refused a pattern that takes other values than
    -- the default's (it would fail every time a number is shown).
    local value = texts[key]
    if type(value) ~= "string" then value = fallback end
    style[key:sub(8)] = value
  end
  units = words(style.units)
  if #units < 5 then units = words(DEFAULTS["format.units"]) end
  months = words(style.months)
  return texts
end

-- grouped(digits) -> "1234567" with the thousands separator: "1,234,567".
local function grouped(digits)
  if style.thousands == "" or #digits <= 3 then return digits end
  local head = #digits % 3
  local parts = { head > 0 and digits:sub(1, head) or nil }
  for i = head + 1, #digits, 3 do parts[#parts + 1] = digits:sub(i, i + 2) end
  return table.concat(parts, style.thousands)
end

-- number(value, decimals) -> value rounded to that many places, with the
-- language's separators: "1,234.5" or "1234.5".
function M.number(value, decimals)
  local text = string.format("%." .. (decimals or 0) .. "f", value)
  local sign, whole, fraction = text:match("^(-?)(%d+)%.?(%d*)$")
  if not whole then return text end
  if fraction ~= "" then fraction = style.decimal .. fraction end
  return sign .. grouped(whole) .. fraction
end

local function known(value)
  value = tonumber(value)
  if not value or value ~= value then return nil end
  return value
end

-- size(bytes) -> "0 B", "512 B", "1.5 KB", "12.3 MB"; unknown sizes ("-1",
-- nil, NaN) become "-".
function M.size(bytes)
  bytes = known(bytes)
  if not bytes or bytes < 0 then return style.unknown end
  local i = 1
  while bytes >= 1024 and i < #units do
    bytes = bytes / 1024
    i = i + 1
  end
  if i == 1 then return M.number(math.floor(bytes)) .. " " .. units[1] end
  if bytes >= 100 then return M.number(bytes) .. " " .. units[i] end
  return M.number(bytes, 1) .. " " .. units[i]
end

-- speed(bytesPerSecond [, idleToo]) -> "2.0 KB/s"; "" when nothing moves,
-- unless idleToo asks for "0 B/s".
function M.speed(bytesPerSecond, idleToo)
  bytesPerSecond = known(bytesPerSecond)
  if not bytesPerSecond or bytesPerSecond <= 0 then
    if not idleToo then return "" end
    bytesPerSecond = 0
  end
  return string.format(style.speed, M.size(bytesPerSecond))
end

-- timeLeft(seconds) -> "45s", "3:07", "2:05:09", "3d 4h"; unknown -> "".
function M.timeLeft(seconds)
  seconds = known(seconds)
  if not seconds or seconds < 0 or seconds == math.huge then return "" end
  seconds = math.floor(seconds + 0.5)
  if seconds < 60 then return string.format(style.seconds, seconds) end
  local h = math.floor(seconds / 3600)
  local m = math.floor(seconds % 3600 / 60)
  local s = seconds % 60
  if h >= 24 then return string.format(style.daysHours, math.floor(h / 24), h % 24) end
  if h > 0 then return string.format("%d:%02d:%02d", h, m, s) end
  return string.format("%d:%02d", m, s)
end

-- The parts of a date pattern: "{year}-{month}-{day}". Numbers come
-- zero-padded but {dayNumber}; {monthName} is the catalogue's name for the
-- month (the C library's would follow the system's locale, not the chosen
-- language). Anything else in a pattern is text, "%" included.
local PARTS = { year = "%Y", month = "%m", day = "%d", hour = "%H", minute = "%M", second = "%S" }

local function when(pattern, time)
  local fields = os.date("*t", time)
  return (pattern:gsub("{(%a+)}", function(name)
    if name == "monthName" then return months[fields.month] or os.date("%m", time) end
    if name == "dayNumber" then return tostring(fields.day) end
    -- An unknown part stays as written, for the translator to see.
    return PARTS[name] and os.date(PARTS[name], time) or nil
  end))
end

local function moment(time)
  time = tonumber(time)
  if not time or time <= 0 then return nil end
  return time
end

-- A time as its clock reading alone when it falls on the day of `now`,
-- with its date in front otherwise; unknown -> "".
local function stamp(time, now, clock)
  time = moment(time)
  if not time then return "" end
  if os.date("%Y-%m-%d", time) == os.date("%Y-%m-%d", now or os.time()) then return when(clock, time) end
  return when(style.date .. " " .. clock, time)
end

-- date(time [, now]) -> "14:05" today, "2026-12-07 14:05" otherwise.
function M.date(time, now) return stamp(time, now, style.time) end

-- dateTime(time) -> "2026-12-07 14:05" whatever the day; unknown -> "".
function M.dateTime(time)
  time = moment(time)
  if not time then return "" end
  return when(style.dateTime, time)
end

-- clockTime(time [, now]) -> "14:05:09" today, "2026-12-08 14:05:09" on
-- another day; unknown -> "".
function M.clockTime(time, now) return stamp(time, now, style.timeSeconds) end

-- percent(done, total) -> 0..100 as an integer; 0 when the total is unknown.
function M.percent(done, total)
  done, total = tonumber(done) or 0, tonumber(total) or -1
  if total <= 0 then return 0 end
  local p = math.floor(done * 100 / total)
  if p < 0 then return 0 end
  if p > 100 then return 100 end
  return p
end

M.reload()

return M
