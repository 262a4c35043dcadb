-- The script side of the download center at the sizes users reach: adding
-- 500 pasted URLs, loading 1,000 and 10,000 stored tasks, a timer tick with
-- five tasks moving among 10,000, the search over 10,000, and quitting.
-- The engine is a stand-in that answers at once, so only the scripts and
-- the database are measured (CPU seconds of this process). Targets: 500
-- URLs in under 2 s, 1,000 tasks loaded in under 1 s.
local scratch = ... or "/tmp"
package.path = curpath .. scriptPath .. "?.lua;" .. package.path
local storage = require("velmora.storage")
local engine = require("velmora.engine")
local tasks = require("velmora.tasks")
local filter = require("velmora.filter")

local infos, nextId = {}, 0
engine.use({
  add = function(url, folder, options)
    nextId = nextId + 1
    infos[nextId] = { state = "running", name = url:match("[^/]+$"), file = folder .. "/" .. url:match("[^/]+$"),
      done = 0, total = 1000000, speed = 0, eta = -1 }
    return nextId
  end,
  start = function(id) infos[id].state = "running" return true end,
  pause = function(id) infos[id].state = "paused" return true end,
  remove = function(id) infos[id] = nil return true end,
  info = function(id) return infos[id] end,
  list = function() return {} end,
  setMaxActive = function() return true end,
  setLimit = function() return true end,
  suggestName = function(url, name) return dl_suggestName(url, name) end,
})

local function timed(f)
  collectgarbage()
  local start = os.clock()
  f()
  return os.clock() - start
end

local function freshStore(name)
  local path = scratch .. "/bench-" .. name .. ".db"
  for _, suffix in ipairs({ "", "-wal", "-shm" }) do os.remove(path .. suffix) end
  return path
end

local function urls(n, prefix)
  local out = {}
  for i = 1, n do out[i] = "http://127.0.0.1/" .. prefix .. i .. ".bin" end
  return out
end

local function report(what, seconds, target)
  local verdict = target and string.format("  (target %.0f ms: %s)", target * 1000, seconds < target and "met" or "MISSED") or ""
  print(string.format("%-44s %9.1f ms%s", what, seconds * 1000, verdict))
end

-- Adding 500 pasted URLs: rows written in one transaction, engine told.
local path = freshStore("add")
local store = assert(storage.open(path))
local ctl = tasks.new({ store = store })
assert(ctl:load())
report("add 500 URLs (parse, one transaction, start)", timed(function()
  local list = tasks.parseUrls(table.concat(urls(500, "p"), "\n"))
  assert(#assert(ctl:add(list, scratch)) == 500)
end), 2)
store:close()

for _, n in ipairs({ 1000, 10000 }) do
  path = freshStore("load" .. n)
  store = assert(storage.open(path))
  ctl = tasks.new({ store = store })
  assert(ctl:load())
  ctl:add(urls(n, "l"), scratch)
  ctl:quit()
  store:close()
  report(string.format("open and load %d stored tasks", n), timed(function()
    store = assert(storage.open(path))
    ctl = tasks.new({ store = store })
    assert(ctl:load() == n)
  end), n == 1000 and 1 or nil)

  if n == 10000 then
    ctl:resume(false)
    local moving = {}
    for i = 1, 5 do moving[i] = ctl:all()[i].id end
    ctl:start(moving)
    report("timer tick, 5 moving among 10000", timed(function()
      for _, info in pairs(infos) do info.done = info.done + 1000 end
      ctl:refresh()
    end))
    report("search 'l99' over 10000 tasks", timed(function()
      local words, shown = filter.words("l99"), 0
      for _, task in ipairs(ctl:all()) do
        if filter.matches(task, words) then shown = shown + 1 end
      end
      assert(shown > 0)
    end))
    report("quit: pause and record 5 of 10000", timed(function() assert(ctl:quit()) end))
  end
  store:close()
end
