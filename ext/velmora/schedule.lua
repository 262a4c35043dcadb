-- When the queue runs and how fast. Nothing here holds a timer: every tick
-- asks decide() with the wall clock as it reads now, so a clock set forward
-- or back, or a program that was closed at the start time, is judged on
-- the minutes of the day alone.
local M = {}

local DAY = 24 * 60

-- minutes("HH:MM") -> minutes since midnight, or nil for an empty or bad
-- text. The settings page checks the text first, so nil here means "not
-- set".
function M.minutes(text)
  local h, m = tostring(text or ""):match("^%s*(%d%d?):(%d%d)%s*$")
  h, m = tonumber(h), tonumber(m)
  if not h or h > 23 or m > 59 then return nil end
  return h * 60 + m
end

-- validTime(text) -> true for "" (off) or a time of day "HH:MM".
function M.validTime(text)
  text = tostring(text or "")
  return text:match("^%s*$") ~= nil or M.minutes(text) ~= nil
end

-- Weekdays are the digits 1 (Monday) to 7 (Sunday), each at most once.
function M.validDays(text)
  text = tostring(text or "")
  local seen = {}
  for d in text:gmatch(".") do
    if not d:match("[1-7]") or seen[d] then return false end
    seen[d] = true
  end
  return true
end

-- os.date's wday counts from Sunday = 1.
local function isoDay(wday) return (wday + 5) % 7 + 1 end

local function chosen(days, wday) return tostring(days or ""):find(tostring(isoDay(wday)), 1, true) ~= nil end

-- within(from, to, m) -> whether minute m lies in [from, to) on one day,
-- the span running over midnight when to is not after from.
local function within(from, to, m)
  if from < to then return m >= from and m < to end
  return m >= from or m < to
end

-- The start-to-stop window that holds now: the key of the day it began on,
-- or nil. A window without a stop runs to the end of its day; one without
-- a start runs from midnight to the stop.
local function window(values, now, date)
  local s, e = M.minutes(values.scheduleStart), M.minutes(values.scheduleStop)
  if not s and not e then return nil end
  s = s or 0
  e = e or DAY
  if e <= s then e = e + DAY end
  local today = date("*t", now)
  local m = today.hour * 60 + today.min
  if chosen(values.scheduleDays, today.wday) and m >= s and m < e then return date("%Y-%m-%d", now) end
  if e > DAY and m < e - DAY then
    local before = now - DAY * 60
    if chosen(values.scheduleDays, date("*t", before).wday) then return date("%Y-%m-%d", before) end
  end
  return nil
end

-- limit(values, now, date) -> the global limit in KB/s (0: none) that holds
-- at this minute: the daytime limit inside its window, the usual one
-- outside it.
function M.limit(values, now, date)
  local from, to = M.minutes(values.limitFrom), M.minutes(values.limitTo)
  if not from or not to or from == to then return values.speedLimit or 0 end
  local t = date("*t", now)
  if within(from, to, t.hour * 60 + t.min) then return values.windowLimit or 0 end
  return values.speedLimit or 0
end

-- decide(values, state, now [, date]) -> { start = bool, stop = bool,
-- limit = KB/s }. state is the caller's table across ticks (kept in memory:
-- a start missed while the program was closed is then caught at the first
-- tick inside the window). start comes once per window; stop comes when
-- the clock leaves a window it was seen inside.
function M.decide(values, state, now, date)
  date = date or os.date
  local out = { start = false, stop = false, limit = M.limit(values, now, date) }
  local key = window(values, now, date)
  if key and M.minutes(values.scheduleStart) and state.started ~= key then
    state.started = key
    out.start = true
  end
  if state.inside and not key and M.minutes(values.scheduleStop) then out.stop = true end
  state.inside = key ~= nil
  return out
end

-- finished(state, active, waiting) -> true once when the queue, having
-- run, has nothing left: active counts running and queued tasks, waiting
-- paused ones (a queue paused by hand or at the stop time is not done).
function M.finished(state, active, waiting)
  if active > 0 then
    state.armed = true
    return false
  end
  if waiting > 0 or not state.armed then return false end
  state.armed = false
  return true
end

return M
