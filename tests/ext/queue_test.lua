-- Queue moves and slot choice on plain task records.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local queue = require("velmora.queue")

local function list(text)
  local order, byName = {}, {}
  for name in text:gmatch("%S+") do
    local task = { id = #order + 1, name = name, position = #order + 1, state = "paused" }
    order[#order + 1], byName[name] = task, task
  end
  return order, byName
end

local function text(order)
  local out = {}
  for i, task in ipairs(order) do out[i] = task.name end
  return table.concat(out, " ")
end

local function pick(byName, names)
  local out = {}
  for name in names:gmatch("%S+") do out[#out + 1] = byName[name] end
  return out
end

t.case("a chosen block moves as one and keeps its inner order", function()
  local cases = {
    { "a b c d e", "c d", "up", "a c d b e" },
    { "a b c d e", "b d", "up", "b a d c e" },
    { "a b c d e", "a b", "up", "a b c d e" },
    { "a b c d e", "d e", "down", "a b c d e" },
    { "a b c d e", "b c", "down", "a d b c e" },
    { "a b c d e", "b d", "down", "a c b e d" },
    { "a b c d e", "e c", "top", "c e a b d" },
    { "a b c d e", "a c", "bottom", "b d e a c" },
  }
  for _, case in ipairs(cases) do
    local order, byName = list(case[1])
    local changed = assert(queue.move(order, pick(byName, case[2]), case[3]))
    local label = case[2] .. " " .. case[3]
    t.eq(text(order), case[4], label)
    for i, task in ipairs(order) do t.eq(task.position, i, label .. ": position of " .. task.name) end
    local unmoved = case[1] == case[4]
    t.eq(#changed == 0, unmoved, label .. ": only moved rows are rewritten")
  end
end)

t.case("new tasks line up behind the largest place, even with gaps", function()
  local order = list("a b")
  order[2].position = 7
  local fresh = { {}, {} }
  queue.placeAtEnd(order, fresh)
  t.eq(fresh[1].position .. " " .. fresh[2].position, "8 9", "after the last")
end)

t.case("free slots go to always-run, then start-next, then queue order", function()
  local order, byName = list("a b c d e")
  local handed = { [1] = true }
  byName.a.state = "running"
  for _, name in ipairs({ "b", "c", "d", "e" }) do byName[name].waiting, byName[name].state = true, "queued" end
  byName.e.alwaysRun = 1
  byName.d.nextRank = 2
  byName.c.nextRank = 1
  t.eq(text(queue.due(order, handed, 2)), "e c", "one slot left")
  t.eq(text(queue.due(order, handed, 4)), "e c d b", "three slots left")
  byName.a.alwaysRun = 1
  t.eq(text(queue.due(order, handed, 1)), "e c", "an always-run task holds no slot")
end)

t.finish()
