-- Numbers as people read them: sizes, speeds, time left and dates. Units
-- are binary (1 KB = 1024 bytes), as file managers on this desktop show them.
local M = {}

local units = { "B", "KB", "MB", "GB", "TB" }

-- size(bytes) -> "0 B", "512 B", "1.5 KB", "12.3 MB"; unknown sizes ("-1",
-- nil, NaN) become "-".
function M.size(bytes)
  bytes = tonumber(bytes)
  if not bytes or bytes ~= bytes or bytes < 0 then return "-" end
  local i = 1
  while bytes >= 1024 and i < #units do
    bytes = bytes / 1024
    i = i + 1
  end
  if i == 1 then return string.format("%d B", bytes) end
  if bytes >= 100 then return string.format("%.0f %s", bytes, units[i]) end
  return string.format("%.1f %s", bytes, units[i])
end

function M.speed(bytesPerSecond)
  bytesPerSecond = tonumber(bytesPerSecond)
  if not bytesPerSecond or bytesPerSecond ~= bytesPerSecond or bytesPerSecond <= 0 then return "" end
  return M.size(bytesPerSecond) .. "/s"
end

-- timeLeft(seconds) -> "45s", "3:07", "2:05:09", "3d 4h"; unknown -> "".
function M.timeLeft(seconds)
  seconds = tonumber(seconds)
  if not seconds or seconds ~= seconds or seconds < 0 or seconds == math.huge then return "" end
  seconds = math.floor(seconds + 0.5)
  if seconds < 60 then return seconds .. "s" end
  local h = math.floor(seconds / 3600)
  local m = math.floor(seconds % 3600 / 60)
  local s = seconds % 60
  if h >= 24 then return string.format("%dd %dh", math.floor(h / 24), h % 24) end
  if h > 0 then return string.format("%d:%02d:%02d", h, m, s) end
  return string.format("%d:%02d", m, s)
end

-- A time as its clock reading alone when it falls on the day of `now`,
-- with its date in front otherwise; unknown -> "".
local function stamp(time, now, clock)
  time = tonumber(time)
  if not time or time <= 0 then return "" end
  if os.date("%Y-%m-%d", time) == os.date("%Y-%m-%d", now or os.time()) then return os.date(clock, time) end
  return os.date("%Y-%m-%d " .. clock, time)
end

-- date(time [, now]) -> "14:05" today, "2026-12-07 14:05" otherwise.
function M.date(time, now) return stamp(time, now, "%H:%M") end

-- dateTime(time) -> "2026-12-07 14:05" whatever the day; unknown -> "".
function M.dateTime(time)
  time = tonumber(time)
  if not time or time <= 0 then return "" end
  return os.date("%Y-%m-%d %H:%M", time)
end

-- clockTime(time [, now]) -> "14:05:09" today, "2026-12-08 14:05:09" on
-- another day; unknown -> "".
function M.clockTime(time, now) return stamp(time, now, "%H:%M:%S") end

-- percent(done, total) -> 0..100 as an integer; 0 when the total is unknown.
function M.percent(done, total)
  done, total = tonumber(done) or 0, tonumber(total) or -1
  if total <= 0 then return 0 end
  local p = math.floor(done * 100 / total)
  if p < 0 then return 0 end
  if p > 100 then return 100 end
  return p
end

return M
