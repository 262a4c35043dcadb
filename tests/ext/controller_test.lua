-- The task controller against a fake engine and a real task database.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local storage = require("velmora.storage")
local engine = require("velmora.engine")
local tasks = require("velmora.tasks")
local fakeEngine = require("fake_engine")

local now = 1800000000
local function clock() return now end

-- A controller on a fresh database (or `path`), its engine and its events.
local function setUp(name, path, fake)
  path = path or (t.scratch(name) .. "/tasks.db")
  fake = fake or fakeEngine.new()
  engine.use(fake:functions())
  local store = assert(storage.open(path))
  local events = { changed = {}, finished = {}, removed = {} }
  local ctl = tasks.new({
    store = store, clock = clock,
    onChange = function(task) events.changed[#events.changed + 1] = task.id end,
    onFinish = function(task) events.finished[#events.finished + 1] = task.id end,
    onRemove = function(ids) for _, id in ipairs(ids) do events.removed[#events.removed + 1] = id end end,
  })
  assert(ctl:load())
  return ctl, fake, store, path, events
end

local function stored(store, id)
  for _, row in ipairs(assert(store:loadAll())) do
    if row.id == id then return row end
  end
end

t.case("URL lists are split one a line and checked", function()
  local urls, rejected = tasks.parseUrls("  http://127.0.0.1/a.zip\r\n\nhttps://h/b.iso\nftp://x/y\nnot a url\nhttp://\n")
  t.eq(#urls, 2, "accepted")
  t.eq(urls[2], "https://h/b.iso", "second")
  t.eq(#rejected, 5, "rejected pieces")
end)

t.case("adding starts each task in the engine and records it at once", function()
  local ctl, fake, store = setUp("add")
  local added = assert(ctl:add({ "http://127.0.0.1/a.zip", "http://127.0.0.1/b%20c.iso" }, "/tmp/dl"))
  t.eq(#added, 2, "tasks")
  t.eq(added[2].name, "b c.iso", "name from the URL")
  t.eq(fake.calls[1], "add http://127.0.0.1/a.zip nil true", "engine call names no file yet")
  t.eq(added[1].state, "running", "state from the engine")
  t.eq(stored(store, added[1].id).state, "running", "state recorded")
  t.eq(stored(store, added[1].id).file, "/tmp/dl/a.zip", "engine's file recorded")
  local running, queued = ctl:stats()
  t.eq(running, 2, "running")
  t.eq(queued, 0, "queued")
end)

t.case("refresh follows progress, completion and failure", function()
  local ctl, fake, store, _, events = setUp("refresh")
  local a, b = unpack(assert(ctl:add({ "http://127.0.0.1/a", "http://127.0.0.1/b" }, "/tmp/dl")))
  fake:set(a.url, { done = 500, total = 1000, speed = 250, eta = 2, name = "server-name.bin" })
  ctl:refresh()
  t.eq(a.done, 500, "bytes")
  t.eq(a.speed, 250, "speed")
  t.eq(a.name, "server-name.bin", "server's name")
  local _, _, speed = ctl:stats()
  t.eq(speed, 250, "total speed")
  -- Progress alone is written at most every few seconds.
  t.eq(stored(store, a.id).done, 0, "not yet written")
  now = now + 10
  ctl:refresh()
  t.eq(stored(store, a.id).done, 500, "written later")

  fake:set(a.url, { state = "done", done = 1000, speed = 0, finished = now })
  fake:set(b.url, { state = "failed", error = "404 Not Found", code = 27 })
  ctl:refresh()
  t.eq(a.state, "done", "done")
  t.eq(a.finished, now, "finished time")
  t.eq(events.finished[1], a.id, "finish reported once")
  t.eq(b.state, "failed", "failed")
  t.eq(b.error, "404 Not Found", "reason in plain words")
  t.eq(stored(store, b.id).error, "404 Not Found", "reason recorded")
  ctl:refresh()
  t.eq(#events.finished, 1, "finish not reported twice")

  -- The engine's message about one task reads that task only.
  fake.calls = {}
  fake:set(b.url, { state = "paused" })
  ctl:engineChanged(fake:idOf(b.url))
  t.eq(b.state, "paused", "message applied")
  ctl:engineChanged(424242)
end)

t.case("pause, start and retry act on the engine's tasks", function()
  local ctl, fake = setUp("pause")
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  local eid = fake:idOf(a.url)
  ctl:pause({ a.id })
  t.eq(a.state, "paused", "paused")
  ctl:start({ a.id })
  t.eq(a.state, "running", "running again")
  t.eq(fake.calls[#fake.calls], "start " .. eid, "same engine task")

  -- A failed task the engine refuses to restart is handed over afresh,
  -- with the name it had, so its partial file continues.
  fake:set(a.url, { state = "failed", error = "connection refused" })
  ctl:refresh()
  fake.refuseRestart = true
  ctl:start({ a.id })
  t.eq(a.state, "running", "retried")
  t.eq(a.error, "", "reason cleared")
  t.ok(fake:idOf(a.url) ~= eid, "new engine task")
  t.eq(fake.calls[#fake.calls], "add http://127.0.0.1/a a true", "handed over with its name")
end)

t.case("delete removes tasks with or without their files", function()
  local ctl, fake, store, _, events = setUp("delete")
  local a, b = unpack(assert(ctl:add({ "http://127.0.0.1/a", "http://127.0.0.1/b" }, "/tmp/dl")))
  local ea, eb = fake:idOf(a.url), fake:idOf(b.url)
  assert(ctl:delete({ a.id }, false))
  assert(ctl:delete({ b.id }, true))
  t.eq(fake.calls[#fake.calls - 1], "remove " .. ea .. " false", "files kept")
  t.eq(fake.calls[#fake.calls], "remove " .. eb .. " true", "files deleted")
  t.eq(#ctl:all(), 0, "list")
  t.eq(#assert(store:loadAll()), 0, "database")
  t.eq(#events.removed, 2, "view told")
  t.eq(ctl:get(a.id), nil, "lookup")
end)

t.case("a finished file from an earlier run is deleted by the scripts", function()
  local dir = t.scratch("delete-done")
  local ctl, fake, store = setUp("delete-done-db")
  t.writeFile(dir .. "/done.bin", "payload")
  local rows = { { url = "http://127.0.0.1/done.bin", name = "done.bin", folder = dir, state = "done", done = 7,
    total = 7, error = "", referrer = "", added = now, finished = now, file = dir .. "/done.bin" } }
  assert(store:insertMany(rows))
  assert(ctl:load())
  assert(ctl:delete({ rows[1].id }, true))
  t.eq(t.readFile(dir .. "/done.bin"), nil, "file removed")
  t.eq(#fake.calls, 0, "engine not needed")
end)

t.case("quitting records where each task stands; the next start continues it", function()
  local ctl, fake, _, path = setUp("quit")
  local a, b, c = unpack(assert(ctl:add({ "http://127.0.0.1/a", "http://127.0.0.1/b", "http://127.0.0.1/c" }, "/tmp/dl")))
  fake:set(a.url, { done = 300, total = 1000 })
  ctl:pause({ c.id })
  assert(ctl:quit())
  t.eq(fake.tasks[fake:idOf(a.url)].state, "paused", "engine paused")
  a.store = nil

  -- A new process: a fresh engine that knows none of the tasks.
  local again, fake2 = setUp(nil, path)
  local ra, rb, rc = again:get(a.id), again:get(b.id), again:get(c.id)
  t.eq(ra.state, "queued", "was running: waits to continue")
  t.eq(ra.done, 300, "bytes recorded")
  t.eq(rc.state, "paused", "paused by the user stays paused")
  again:resume(true)
  t.eq(ra.state, "running", "continued")
  t.eq(rb.state, "running", "continued")
  t.eq(rc.state, "paused", "not continued")
  t.eq(fake2.tasks[fake2:idOf(a.url)].options.name, "a", "handed over with its name")
end)

t.case("a clean quit stays resumable when the engine reports its pauses afterwards", function()
  local ctl, fake, _, path = setUp("quit-late-reports")
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  local eid = fake:idOf(a.url)
  assert(ctl:quit())
  -- The window handles the engine's messages about those pauses, and maybe
  -- a tick, before it closes.
  ctl:engineChanged(eid)
  ctl:refresh()
  t.eq(fake.tasks[eid].state, "paused", "engine paused")

  local again, fake2 = setUp(nil, path)
  t.eq(again:get(a.id).state, "queued", "recorded as waiting to continue")
  again:resume(true)
  t.eq(again:get(a.id).state, "running", "continues by itself")
  t.eq(#fake2.calls, 1, "handed to the new engine once")
end)

t.case("a failure keeps its cause and code across a restart; starting again clears them", function()
  local ctl, fake, store, path = setUp("cause")
  now = 1800000100
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  t.eq(a.started, now, "start time")
  fake:set(a.url, { state = "failed", cause = "http-status", code = 23, httpStatus = 404, error = "HTTP 404 Not Found",
    finalUrl = "http://mirror/a" })
  ctl:refresh()
  t.eq(a.cause, "http-status", "cause")
  t.eq(a.finished, now, "a failure has an end time")
  local row = stored(store, a.id)
  t.eq(row.cause, "http-status", "cause recorded")
  t.eq(row.code .. " " .. row.httpStatus, "23 404", "code and status recorded")
  t.eq(row.finalUrl, "http://mirror/a", "final link recorded")
  store:close()
  local again = setUp(nil, path)
  local reloaded = again:get(a.id)
  t.eq(reloaded.cause .. " " .. reloaded.code .. " " .. reloaded.httpStatus, "http-status 23 404", "back after a restart")
  now = 1800000200
  again:start({ a.id })
  t.eq(reloaded.cause, "", "cause cleared by a retry")
  t.eq(reloaded.code + reloaded.httpStatus + reloaded.finished, 0, "code, status and end time cleared")
  t.eq(reloaded.started, now, "started again")
  now = 1800000000
end)

t.case("waiting for a retry and connections in use are read, never recorded", function()
  local ctl, fake, store = setUp("retry-at")
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  fake:set(a.url, { state = "running", connections = 4 })
  ctl:refresh()
  t.eq(a.connections, 4, "connections")
  fake:set(a.url, { state = "queued", retryAt = now + 30 })
  ctl:refresh()
  t.eq(a.retryAt, now + 30, "retry time")
  t.eq(a.connections, 0, "none while waiting")
  fake:set(a.url, { state = "running", retryAt = false })
  ctl:refresh()
  t.eq(a.retryAt, nil, "running again")
  t.eq(stored(store, a.id).state, "running", "state recorded as usual")
  fake:set(a.url, { state = "paused", retryAt = now + 30 })
  ctl:refresh()
  t.eq(a.retryAt, nil, "a paused task waits for no retry")
end)

t.case("restarting and a new link go through the engine, and a host without them says so", function()
  local ctl, fake = setUp("restart")
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  fake:set(a.url, { state = "failed", cause = "web-page", error = "an HTML page" })
  ctl:refresh()
  local ok, message = ctl:restart(a.id, { acceptWebPage = true })
  t.eq(ok, nil, "no restart in this host")
  t.eq(message, engine.UNAVAILABLE, "said why")
  t.eq(a.cause, "web-page", "failure kept")
  local functions = fake:functions()
  local asked = {}
  functions.restart = function(id, options)
    asked[#asked + 1] = id .. " " .. tostring(options and options.acceptWebPage)
    fake.tasks[id].state = "running"
    return true
  end
  functions.setUrl = function(id, url)
    asked[#asked + 1] = id .. " " .. url
    fake.tasks[id].url = url
    return true
  end
  engine.use(functions)
  assert(ctl:restart(a.id, { acceptWebPage = true }))
  t.eq(asked[1], fake:idOf(a.url) .. " true", "engine asked to keep the page")
  t.eq(a.state, "running", "running again")
  t.eq(a.cause, "", "failure cleared")
  ok, message = ctl:setUrl(a.id, "ftp://elsewhere/a")
  t.ok(not ok and message:find("ftp://elsewhere/a", 1, true), "a link the engine cannot fetch is refused")
  t.eq(#asked, 1, "engine not asked")
  assert(ctl:setUrl(a.id, "http://127.0.0.1/renewed"))
  t.eq(a.url, "http://127.0.0.1/renewed", "new link kept")
  t.eq(ctl:setUrl(999, "http://127.0.0.1/x"), nil, "no such task")
end)

t.case("after a crash, tasks left running come back and can stay paused", function()
  local dir = t.scratch("crash")
  local path = dir .. "/tasks.db"
  local store = assert(storage.open(path))
  local rows = {}
  for i, state in ipairs({ "running", "queued", "paused", "done", "failed", "bogus" }) do
    rows[i] = { url = "http://127.0.0.1/" .. i, name = tostring(i), folder = dir, state = state, done = 0, total = -1,
      error = "", referrer = "", added = now, finished = 0, file = "" }
  end
  assert(store:insertMany(rows))
  store:close()
  local ctl, fake = setUp(nil, path)
  local states = {}
  for i, row in ipairs(rows) do states[i] = ctl:get(row.id).state end
  t.eq(table.concat(states, ","), "queued,queued,paused,done,failed,paused", "no impossible state")
  ctl:resume(false)
  t.eq(ctl:get(rows[1].id).state, "paused", "resume off")
  t.eq(#fake.calls, 0, "nothing started")
  local reopened = assert(storage.open(path))
  t.eq(stored(reopened, rows[2].id).state, "paused", "recorded")
end)

t.case("without an engine tasks are kept as they are", function()
  local ctl, _, store = setUp("no-engine")
  engine.use({})
  t.eq(engine.available(), false, "no engine")
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  t.eq(a.state, "queued", "waits")
  t.eq(ctl.lastError, engine.UNAVAILABLE, "said why")
  t.eq(stored(store, a.id).state, "queued", "recorded as waiting")
  ctl:start({ a.id })
  t.eq(a.state, "queued", "still waiting")
end)

t.case("engine failures become task failures, not script errors", function()
  local ctl, fake = setUp("engine-errors")
  fake.refuseAdd = "bad URL"
  local a = assert(ctl:add({ "http://127.0.0.1/a" }, "/tmp/dl"))[1]
  t.eq(a.state, "failed", "failed")
  t.eq(a.error, "bad URL", "engine's message")
  fake.refuseAdd = nil
  local b = assert(ctl:add({ "http://127.0.0.1/b" }, "/tmp/dl"))[1]
  fake.raiseInInfo = true
  ctl:refresh()
  t.eq(b.state, "failed", "a raising engine fails the task")
  fake.raiseInInfo = false
end)

t.case("500 URLs make 500 tasks in one write", function()
  local ctl, fake, store = setUp("bulk")
  local urls = {}
  for i = 1, 500 do urls[i] = "http://127.0.0.1/file" .. i .. ".bin" end
  local started = os.clock()
  local added = assert(ctl:add(urls, "/tmp/dl"))
  local elapsed = os.clock() - started
  t.eq(#added, 500, "tasks")
  t.eq(#assert(store:loadAll()), 500, "rows")
  io.write(string.format("add 500 URLs: %.1f ms cpu (fake engine)\n", elapsed * 1000))
  t.eq(fake.maxActive, require("velmora.queue").ENGINE_SLOTS, "the engine never holds tasks back itself")
  t.eq(select(1, ctl:stats()), 3, "three run at first")
  ctl:setMaxActive(5)
  local running, queued = ctl:stats()
  t.eq(running .. " " .. queued, "5 495", "raising the number starts waiting tasks")
  t.eq(added[4].state .. " " .. added[6].state, "running queued", "in queue order")
end)


t.case("A browser's cookies reach the engine as headers and never the database", function()
  local ctl, fake, store, path = setUp("headers")
  local headers = require("velmora.actions").browserHeaders({
    url = "http://127.0.0.1/a.iso", cookies = "session=s3cret", referrer = "http://127.0.0.1/", userAgent = "" })
  t.eq(headers.Cookie, "session=s3cret", "cookie header")
  t.eq(headers.Referer, "http://127.0.0.1/", "referer header")
  t.eq(headers["User-Agent"], nil, "an empty user agent is left out")
  local added = assert(ctl:add({ "http://127.0.0.1/a.iso" }, t.scratch("headers-files"), { headers = headers }))
  t.eq(fake.tasks[fake.nextId].options.headers.Cookie, "session=s3cret", "sent with the task")
  store:close()
  local f = assert(io.open(path, "rb"))
  local bytes = f:read("*a")
  f:close()
  t.eq(bytes:find("s3cret", 1, true), nil, "not in the database")
  t.eq(#added, 1, "one task")
end)


t.case("a task's own connections, limit and checksum reach the engine again after a restart", function()
  local ctl, _, store, path = setUp("own")
  local digest = "sha256=" .. string.rep("ab", 32)
  local a = assert(ctl:add({ "http://127.0.0.1/own.iso" }, "/tmp/dl",
    { options = { connections = 3, limit = 4096, checksum = digest } }))[1]
  local row = stored(store, a.id)
  t.eq(row.ownConnections .. " " .. row.ownLimit .. " " .. row.ownChecksum, "3 4096 " .. digest, "recorded")
  store:close()
  local fake = fakeEngine.new()
  local again = setUp(nil, path, fake)
  again:start({ a.id })
  local options = fake.tasks[fake:idOf(a.url)].options
  t.eq(options.connections .. " " .. options.limit .. " " .. options.checksum, "3 4096 " .. digest, "handed over")
  t.eq(assert(again:setOwnOptions(again:get(a.id), { limit = 1024 })), "OK", "changed")
  t.eq(stored(again.store, a.id).ownLimit, 1024, "change recorded")
  again:pause({ a.id })
  again:start({ a.id })
  local handed = fake.tasks[fake:idOf(a.url)]
  t.eq(handed.limit, 1024, "the next start in the same run runs with the change (given to the engine's task)")
  t.eq(handed.state, "running", "and runs it")
end)

t.case("a task's own limit reaches its running transfer at once; connections wait for the next start", function()
  local ctl, fake, store = setUp("own-live")
  local a = assert(ctl:add({ "http://127.0.0.1/live.iso" }, "/tmp/dl", { options = { connections = 2 } }))[1]
  local eid = fake:idOf(a.url)
  t.eq(ctl:get(a.id).state, "running", "moving")
  local ok, when = ctl:setOwnOptions(ctl:get(a.id), { limit = 400 * 1024, connections = 2, alwaysRun = false })
  t.eq(ok, "OK", "saved")
  t.eq(fake.tasks[eid].limit, 400 * 1024, "the engine's task holds it")
  t.eq(tostring(when.now) .. " " .. tostring(when.later), "true false", "now, and nothing waits")
  t.eq(stored(store, a.id).ownLimit, 400 * 1024, "recorded as before")
  ctl:pause({ a.id })
  ctl:start({ a.id })
  t.eq(fake:idOf(a.url), eid, "a limit alone never hands the task over afresh")
  ok, when = ctl:setOwnOptions(ctl:get(a.id), { limit = 0, connections = 5 })
  t.eq(fake.tasks[eid].limit, 0, "lifted at once")
  t.eq(tostring(when.now) .. " " .. tostring(when.later), "true true", "connections wait")
  ctl:pause({ a.id })
  ctl:start({ a.id })
  local again = fake:idOf(a.url)
  t.ok(again ~= eid, "new connections hand the task over at its next start")
  t.eq(fake.tasks[again].options.connections, 5, "with them")
end)

t.case("an engine that cannot change a limit live takes it at the next start", function()
  local ctl, fake = setUp("own-old-engine")
  local a = assert(ctl:add({ "http://127.0.0.1/old.iso" }, "/tmp/dl"))[1]
  local functions = fake:functions()
  functions.setTaskLimit = nil
  engine.use(functions)
  local eid = fake:idOf(a.url)
  local ok, when = ctl:setOwnOptions(ctl:get(a.id), { limit = 2048 })
  t.eq(ok, "OK", "saved")
  t.eq(tostring(when.now) .. " " .. tostring(when.later), "false true", "not now")
  ctl:pause({ a.id })
  ctl:start({ a.id })
  local again = fake:idOf(a.url)
  t.ok(again ~= eid, "handed over afresh")
  t.eq(fake.tasks[again].options.limit, 2048, "with the limit")
end)

local function names(ctl)
  local out = {}
  for i, task in ipairs(ctl:all()) do out[i] = task.url:match("[^/]+$") end
  return table.concat(out, " ")
end

local function urls(...)
  local out = {}
  for i, name in ipairs({ ... }) do out[i] = "http://127.0.0.1/" .. name end
  return out
end

t.case("waiting tasks start in queue order as slots free, and moves change that order", function()
  local ctl, fake = setUp("order")
  ctl:setMaxActive(1)
  local a, b, c, d = unpack(assert(ctl:add(urls("a", "b", "c", "d"), "/tmp/dl")))
  t.eq(a.state .. " " .. b.state, "running queued", "one slot")
  t.eq(fake:idOf(b.url), nil, "a waiting task is not with the engine")
  assert(ctl:move({ d.id }, "top"))
  assert(ctl:move({ c.id }, "up"))
  t.eq(names(ctl), "d a c b", "moved")
  fake:set(a.url, { state = "done", done = 1, total = 1 })
  ctl:refresh()
  t.eq(d.state .. " " .. c.state, "running queued", "the top waiting task took the slot")
  t.eq(select(2, ctl:move({ a.id }, "sideways")), "unknown move: sideways", "bad move named")
end)

t.case("queue order is kept across a restart, and new tasks line up behind it", function()
  local ctl, _, store, path = setUp("order-restart")
  local a, b, c = unpack(assert(ctl:add(urls("a", "b", "c"), "/tmp/dl", { paused = true })))
  assert(ctl:move({ a.id, b.id }, "bottom"))
  assert(ctl:move({ b.id }, "up"))
  t.eq(names(ctl), "c b a", "moved")
  ctl:quit()
  store:close()
  local again = setUp(nil, path)
  t.eq(names(again), "c b a", "after a restart")
  assert(again:add(urls("d"), "/tmp/dl", { paused = true }))
  assert(again:move({ c.id }, "down"))
  t.eq(names(again), "b c a d", "a new task goes last")
end)

t.case("start next jumps the waiting line; always-run tasks pass the limit", function()
  local ctl, fake = setUp("next")
  ctl:setMaxActive(1)
  local a, b, c, d = unpack(assert(ctl:add(urls("a", "b", "c", "d"), "/tmp/dl")))
  ctl:start({ d.id }, true)
  t.eq(names(ctl), "a b c d", "the order itself stays")
  fake:set(a.url, { state = "done", done = 1, total = 1 })
  ctl:refresh()
  t.eq(d.state .. " " .. b.state, "running queued", "started next")
  assert(ctl:setOwnOptions(c, { alwaysRun = true }))
  t.eq(c.state, "running", "runs beside the limit at once")
  fake:set(c.url, { state = "done", done = 1, total = 1 })
  ctl:refresh()
  t.eq(b.state, "queued", "an always-run task never freed a slot it did not take")
  ctl:pause({ b.id })
  t.eq(b.state, "paused", "a waiting task pauses")
  fake:set(d.url, { state = "done", done = 1, total = 1 })
  ctl:refresh()
  t.eq(b.state, "paused", "a paused task is not started by a free slot")
end)

t.case("a task waiting at exit waits again after a restart, the paused engine record ignored", function()
  local ctl, fake, store, path = setUp("waiting-restart")
  ctl:setMaxActive(1)
  local a, b = unpack(assert(ctl:add(urls("a", "b"), "/tmp/dl")))
  ctl:pause({ a.id })
  ctl:start({ a.id })
  t.eq(a.state, "queued", "waits behind b")
  ctl:refresh()
  t.eq(a.state, "queued", "the engine's paused record does not turn it paused")
  t.eq(fake.tasks[fake:idOf(b.url)].state, "running", "b runs")
  assert(ctl:quit())
  store:close()
  t.eq(stored(assert(storage.open(path)), a.id).state, "queued", "recorded as waiting")
end)

t.finish()
