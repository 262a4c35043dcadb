-- Schedules against a clock the test sets: start, stop, limit windows,
-- weekdays, a start missed while closed, the clock set back and forward.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local schedule = require("velmora.schedule")
local settings = require("velmora.settings")
local driver = require("velmora.schedule_driver")
local engine = require("velmora.engine")

-- Monday 7 December 2026, 00:00 UTC; the clock reads UTC so the test does
-- not depend on the machine's zone.
local MONDAY = 1796601600
local function date(fmt, now) return os.date("!" .. fmt, now) end
local function at(day, hh, mm) return MONDAY + day * 86400 + hh * 3600 + mm * 60 end

local function values(overrides)
  local v = settings.defaults()
  for k, x in pairs(overrides) do v[k] = x end
  return v
end

-- run(v, state, times) -> the decisions at each time, as "s" (start),
-- "p" (stop) or "-".
local function run(v, state, times)
  local out = {}
  for _, now in ipairs(times) do
    local d = schedule.decide(v, state, now, date)
    out[#out + 1] = d.start and "s" or d.stop and "p" or "-"
  end
  return table.concat(out)
end

t.case("the queue starts once at the start time and pauses at the stop time", function()
  local v = values({ scheduleStart = "09:00", scheduleStop = "17:30" })
  local got = run(v, {}, { at(0, 8, 59), at(0, 9, 0), at(0, 9, 1), at(0, 12, 0), at(0, 17, 29), at(0, 17, 30),
    at(0, 17, 31), at(1, 9, 0) })
  t.eq(got, "-s---p-s", "decisions")
end)

t.case("a window over midnight belongs to the day it starts on", function()
  local v = values({ scheduleStart = "23:00", scheduleStop = "06:00", scheduleDays = "5" })
  -- Friday 23:00 to Saturday 06:00; nothing on Saturday night.
  local got = run(v, {}, { at(4, 22, 59), at(4, 23, 0), at(5, 3, 0), at(5, 6, 0), at(5, 23, 0), at(6, 3, 0) })
  t.eq(got, "-s-p--", "decisions")
end)

t.case("only the chosen weekdays start", function()
  local v = values({ scheduleStart = "10:00", scheduleStop = "11:00", scheduleDays = "13" })
  local got = {}
  for day = 0, 6 do got[#got + 1] = run(v, {}, { at(day, 10, 0) }) end
  t.eq(table.concat(got), "s-s----", "Monday and Wednesday")
  t.eq(run(values({ scheduleStart = "10:00", scheduleDays = "" }), {}, { at(0, 10, 0) }), "-", "no day chosen")
end)

t.case("a start missed while closed runs at the first tick still inside the window", function()
  local v = values({ scheduleStart = "09:00", scheduleStop = "17:00" })
  t.eq(run(v, {}, { at(0, 13, 45) }), "s", "opened inside the window")
  t.eq(run(v, {}, { at(0, 17, 5) }), "-", "opened after the stop: neither start nor stop")
  t.eq(run(v, {}, { at(0, 7, 0) }), "-", "opened before the start")
  -- Without a stop the window lasts to the end of the day.
  local open = values({ scheduleStart = "09:00" })
  t.eq(run(open, {}, { at(0, 23, 59), at(1, 0, 0) }), "s-", "no stop: runs to midnight, no further")
  t.eq(run(open, {}, { at(0, 20, 0) }), "s", "no stop: still starts late")
end)

t.case("a clock set forward or back is judged on the time it shows", function()
  local v = values({ scheduleStart = "09:00", scheduleStop = "17:00" })
  -- Forward from before the window into it: starts; forward past it: pauses.
  t.eq(run(v, {}, { at(0, 8, 0), at(0, 10, 0), at(0, 20, 0) }), "-sp", "forward in steps")
  -- Forward over the whole window: nothing to do.
  t.eq(run(v, {}, { at(0, 8, 0), at(0, 18, 0) }), "--", "forward over it")
  -- Back from inside to before the start: the window is left, and the
  -- second pass through 09:00 the same day does not start again.
  t.eq(run(v, {}, { at(0, 10, 0), at(0, 8, 30), at(0, 9, 0), at(0, 16, 0), at(0, 17, 0) }), "sp--p",
    "back before the start")
  -- Back by a day: the previous day's window is a window of its own.
  t.eq(run(v, {}, { at(1, 10, 0), at(0, 10, 0) }), "ss", "back a day")
end)

t.case("stop alone pauses at its time, start alone never pauses", function()
  t.eq(run(values({ scheduleStop = "18:00" }), {}, { at(0, 17, 0), at(0, 18, 0), at(0, 19, 0) }), "-p-", "stop")
  t.eq(run(values({ scheduleStart = "08:00" }), {}, { at(0, 8, 0), at(0, 23, 0), at(1, 0, 1) }), "s--", "start")
end)

t.case("the speed limit follows its window, over midnight as well", function()
  local v = values({ limitFrom = "08:00", limitTo = "20:00", windowLimit = 1024, speedLimit = 0 })
  local function limitAt(now) return schedule.decide(v, {}, now, date).limit end
  t.eq(limitAt(at(0, 7, 59)), 0, "night before")
  t.eq(limitAt(at(0, 8, 0)), 1024, "from")
  t.eq(limitAt(at(0, 19, 59)), 1024, "day")
  t.eq(limitAt(at(0, 20, 0)), 0, "to")
  v.limitFrom, v.limitTo, v.speedLimit, v.windowLimit = "22:00", "06:00", 512, 0
  t.eq(limitAt(at(0, 23, 0)), 0, "unlimited at night")
  t.eq(limitAt(at(1, 5, 59)), 0, "before dawn")
  t.eq(limitAt(at(1, 6, 0)), 512, "day limit")
  v.limitTo = ""
  t.eq(limitAt(at(0, 23, 0)), 512, "half a window is none")
end)

t.case("the queue running dry is reported once, a paused queue is not dry", function()
  local state = {}
  t.eq(schedule.finished(state, 0, 3), false, "nothing ever ran")
  t.eq(schedule.finished(state, 0, 0), false, "still nothing ran")
  t.eq(schedule.finished(state, 2, 0), false, "busy")
  t.eq(schedule.finished(state, 0, 2), false, "paused at the stop time")
  t.eq(schedule.finished(state, 1, 1), false, "started again")
  t.eq(schedule.finished(state, 0, 0), true, "ran dry")
  t.eq(schedule.finished(state, 0, 0), false, "only once")
end)

t.case("times and weekdays are checked, never corrected", function()
  for _, good in ipairs({ "", "00:00", "9:05", " 23:59 " }) do t.ok(schedule.validTime(good), good) end
  for _, bad in ipairs({ "24:00", "12:60", "noon", "12", "12:5", "-1:00" }) do
    t.eq(settings.check("scheduleStart", bad), nil, bad)
    t.eq(select(2, settings.check("scheduleStart", bad)), "time", bad .. " reason")
  end
  t.eq(settings.check("scheduleDays", "135"), "135", "days")
  for _, bad in ipairs({ "8", "11", "1,2", "0" }) do
    t.eq(select(2, settings.check("scheduleDays", bad)), "days", bad)
  end
  t.eq(settings.check("whenDone", "reboot"), nil, "unknown action")
end)

t.case("a schedule survives a restart in the settings file", function()
  local path = t.scratch("saved") .. "/settings.xml"
  local v = values({ scheduleStart = "01:30", scheduleStop = "07:00", scheduleDays = "67", limitFrom = "08:00",
    limitTo = "18:00", windowLimit = 1024, whenDone = "command", doneCommand = "notify-send done" })
  assert(settings.save(v, path))
  local loaded = settings.load(path)
  for _, key in ipairs({ "scheduleStart", "scheduleStop", "scheduleDays", "limitFrom", "limitTo", "windowLimit",
    "whenDone", "doneCommand" }) do
    t.eq(loaded[key], v[key], key)
  end
  t.writeFile(path, "<settings><scheduleStart>25:00</scheduleStart><scheduleDays>9</scheduleDays></settings>")
  loaded = settings.load(path)
  t.eq(loaded.scheduleStart, "", "a bad time is not taken")
  t.eq(loaded.scheduleDays, "1234567", "bad days are not taken")
end)

-- A task list that records what it was asked to do.
local function fakeTasks(states)
  local list = { order = {}, started = {}, paused = {} }
  for i, state in ipairs(states) do list.order[i] = { id = i, state = state } end
  function list.all(self) return self.order end
  function list.start(self, ids)
    for _, id in ipairs(ids) do
      self.started[#self.started + 1] = id
      self.order[id].state = "running"
    end
  end
  function list.pause(self, ids)
    for _, id in ipairs(ids) do
      self.paused[#self.paused + 1] = id
      self.order[id].state = "paused"
    end
  end
  function list.stats(self)
    local running, queued = 0, 0
    for _, task in ipairs(self.order) do
      if task.state == "running" then running = running + 1 end
      if task.state == "queued" then queued = queued + 1 end
    end
    return running, queued
  end
  return list
end

local function newDriver(v, tasks, now, kept)
  local log = { limits = {}, runs = {}, asked = {}, said = {}, saves = 0, quits = 0, answer = true }
  kept = kept or {}
  engine.use({ setLimit = function(bytes) log.limits[#log.limits + 1] = bytes return true end })
  local d = driver.new({
    tasks = tasks, settings = function() return v end, clock = function() return now[1] end, date = date,
    quit = function() log.quits = log.quits + 1 end,
    run = function(argv) log.runs[#log.runs + 1] = table.concat(argv, "|") return log.runFails == nil, log.runFails end,
    confirm = function(command) log.asked[#log.asked + 1] = command return log.answer end,
    save = function() log.saves = log.saves + 1 end,
    say = function(text) log.said[#log.said + 1] = text end,
    recall = function() return kept.value end, remember = function(key) kept.value = key end,
  })
  return d, log
end

t.case("the driver starts paused tasks, pauses active ones and sets the limit when it changes", function()
  local v = values({ scheduleStart = "09:00", scheduleStop = "17:00", limitFrom = "08:00", limitTo = "20:00",
    windowLimit = 1024, speedLimit = 0 })
  local tasks = fakeTasks({ "paused", "failed", "done", "paused", "queued" })
  local now = { at(0, 7, 0) }
  local d, log = newDriver(v, tasks, now)
  d:tick()
  t.eq(table.concat(log.limits, ","), "0", "night: no limit")
  now[1] = at(0, 9, 0)
  d:tick()
  d:tick()
  t.eq(table.concat(tasks.started, ","), "1,4", "paused tasks started, failed and done left")
  t.eq(table.concat(log.limits, ","), "0,1048576", "day limit set once")
  now[1] = at(0, 17, 0)
  d:tick()
  t.eq(table.concat(tasks.paused, ","), "1,4,5", "running and queued paused")
  t.eq(log.quits + #log.runs, 0, "a paused queue is not finished")
  engine.use(nil)
end)

t.case("when the queue runs dry the chosen action follows, a command only as confirmed", function()
  local v = values({ whenDone = "quit" })
  local tasks = fakeTasks({ "running" })
  local d, log = newDriver(v, tasks, { at(0, 12, 0) })
  d:tick()
  tasks.order[1].state = "done"
  d:tick()
  d:tick()
  t.eq(log.quits, 1, "quit once")

  v.whenDone, v.doneCommand = "command", "  /usr/bin/notify-send  'all done' $HOME;rm "
  local function finishOnce()
    tasks.order[1].state = "running"
    d:tick()
    tasks.order[1].state = "done"
    d:tick()
  end
  log.answer = false
  finishOnce()
  t.eq(#log.asked, 1, "asked before the first run")
  t.eq(#log.runs, 0, "refused: not run")
  t.eq(v.doneCommandAllowed, "", "refusal not remembered as consent")
  log.answer = true
  finishOnce()
  t.eq(log.runs[1], "/usr/bin/notify-send|'all|done'|$HOME;rm", "words, no shell")
  t.eq(log.saves, 1, "consent saved")
  finishOnce()
  t.eq(#log.asked, 2, "not asked again")
  t.eq(#log.runs, 2, "run again")
  v.doneCommand = "/usr/bin/other"
  log.runFails = "cannot start /usr/bin/other"
  finishOnce()
  t.eq(#log.asked, 3, "a changed command asks again")
  t.eq(log.said[1], "cannot start /usr/bin/other", "a failed start is told")
  engine.use(nil)
end)

t.case("a restart inside a window already started does not start the queue again", function()
  local v = values({ scheduleStart = "09:00", scheduleStop = "17:00" })
  local kept = {}
  local tasks = fakeTasks({ "paused" })
  local d = newDriver(v, tasks, { at(0, 9, 0) }, kept)
  d:tick()
  t.eq(#tasks.started, 1, "started")
  tasks.order[1].state = "paused"
  -- Paused by hand, then the program restarts at 11:00 the same day.
  newDriver(v, tasks, { at(0, 11, 0) }, kept):tick()
  t.eq(#tasks.started, 1, "not started again")
  newDriver(v, tasks, { at(1, 11, 0) }, kept):tick()
  t.eq(#tasks.started, 2, "the next day's window is missed and caught")
  engine.use(nil)
end)

t.finish()
