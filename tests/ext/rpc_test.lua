-- The remote-control methods and notifications over a real task database
-- and a stand-in engine.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local host = require("velmora.host")
local storage = require("velmora.storage")
local engine = require("velmora.engine")
local tasks = require("velmora.tasks")
local rpc = require("velmora.rpc")
local methods = require("velmora.rpc_methods")
local folders = require("velmora.rpc_folders")
local status = require("velmora.rpc_status")
local gid = require("velmora.gid")
local fakeEngine = require("fake_engine")

local notes = {}
host.use({ rpc_notify = function(method, id) notes[#notes + 1] = method:gsub("^aria2%.", "") .. " " .. id end })

local settings = { concurrent = 3, speedLimit = 0, connections = 4, rpcFolders = "/srv/extra:relative" }

-- A controller and the methods' context over it; `path` reopens a database.
local function setUp(name, path)
  local dir = t.scratch(name)
  path = path or (dir .. "/tasks.db")
  local fake = fakeEngine.new()
  engine.use(fake:functions())
  local store = assert(storage.open(path))
  local ctl
  ctl = tasks.new({
    store = store, clock = function() return 1800000000 end,
    onChange = function(task) rpc.taskChanged(task) end,
    onAdd = function(added) for _, task in ipairs(added) do rpc.taskChanged(task) end end,
    onRemove = function(ids) rpc.tasksRemoved(ids) end,
  })
  assert(ctl:load())
  local changed = {}
  local ctx = rpc.configure({
    tasks = ctl, settings = function() return settings end, defaultFolder = function() return dir .. "/dl" end,
    changeSetting = function(key, value) changed[key] = value end, allowDirs = { "/mnt/usb" },
    add = function(urls, folder, extra) return ctl:add(urls, folder, extra) end,
  })
  return ctx, ctl, fake, path, changed, dir
end

local function call(ctx, method, ...) return methods.call(ctx, method, { ... }) end

local KEYS = { "gid", "status", "totalLength", "completedLength", "uploadLength", "downloadSpeed", "uploadSpeed",
  "connections", "dir", "files", "pieceLength", "numPieces" }

t.case("addUri answers a 16-digit identifier and the task carries the caller's options", function()
  local ctx, ctl, fake, _, _, dir = setUp("add")
  local id = assert(call(ctx, "aria2.addUri", { "http://127.0.0.1/a.iso" },
    { dir = dir .. "/dl/sub", out = "b.iso", ["max-download-limit"] = "2K", split = "3",
      header = { "Cookie: x=1" }, checksum = "sha-256=" .. string.rep("ab", 32) }))
  t.ok(gid.valid(id), "identifier shape")
  local task = ctl:all()[1]
  t.eq(task.gid, id, "kept on the task")
  t.eq(task.folder, dir .. "/dl/sub", "folder")
  local options = fake.tasks[fake:idOf("http://127.0.0.1/a.iso")].options
  t.eq(options.name, "b.iso", "name")
  t.eq(options.limit, 2048, "limit")
  t.eq(options.connections, 3, "connections")
  t.eq(options.checksum, "sha256=" .. string.rep("ab", 32), "digest")
  t.eq(options.headers.Cookie, "x=1", "header")
end)

t.case("addUri refuses what it cannot honour instead of ignoring it", function()
  local ctx, ctl = setUp("refuse")
  local cases = {
    { { "ftp://h/x" } }, { {} }, { { "http://h/x" }, { dir = "/etc" } }, { { "http://h/x" }, { dir = "relative" } },
    { { "http://h/x" }, { dir = "/srv/extra/../../etc" } }, { { "http://h/x" }, { out = "../x" } },
    { { "http://h/x" }, { split = "0" } }, { { "http://h/x" }, { ["max-download-limit"] = "fast" } },
    { { "http://h/x" }, { checksum = "md5=00" } }, { { "http://h/x" }, { header = { "no colon" } } },
  }
  for i, params in ipairs(cases) do
    local result, message = methods.call(ctx, "aria2.addUri", params)
    t.eq(result, nil, "case " .. i)
    t.ok(type(message) == "string", "message " .. i)
  end
  t.eq(#ctl:all(), 0, "no task added")
  t.ok(call(ctx, "aria2.addUri", { "http://h/x" }, { dir = "/srv/extra/deeper" }), "a listed folder")
  t.ok(call(ctx, "aria2.addUri", { "http://h/y" }, { dir = "/mnt/usb" }), "a command-line folder")
end)

t.case("folders are judged by whole path steps", function()
  t.eq(folders.allowed("/data/x", { "/data" }), "/data/x", "inside")
  t.eq(folders.allowed("/data//x/", { "/data/" }), "/data/x", "normalized")
  t.eq(folders.allowed("/database", { "/data" }), nil, "a longer name is not inside")
  t.eq(folders.allowed("/data/./x", { "/data" }), nil, "dot steps")
  t.eq(#folders.split("/a::b:/c"), 2, "relative entries dropped")
end)

t.case("status has every key with text numbers, filtered on request", function()
  local ctx, _, fake = setUp("status")
  local id = call(ctx, "aria2.addUri", { "http://127.0.0.1/s.bin" })
  fake:set("http://127.0.0.1/s.bin", { done = 3 * 1048576, total = 5 * 1048576, speed = 100 })
  ctx.tasks:refresh()
  local s = assert(call(ctx, "aria2.tellStatus", id))
  for _, key in ipairs(KEYS) do t.ok(s[key] ~= nil, "key " .. key) end
  t.eq(s.status, "active", "status")
  t.eq(s.totalLength, "5242880", "total")
  t.eq(s.downloadSpeed, "100", "speed")
  t.eq(s.numPieces, "5", "pieces")
  t.eq(s.bitfield, "e0", "three of five pieces")
  t.eq(s.files[1].uris[1].uri, "http://127.0.0.1/s.bin", "uri")
  local only = assert(call(ctx, "aria2.tellStatus", id, { "gid", "status" }))
  t.eq(only.gid, id, "filtered gid")
  t.eq(only.totalLength, nil, "others left out")
  local _, message = call(ctx, "aria2.tellStatus", "0000000000000000")
  t.eq(message, "GID 0000000000000000 is not found", "unknown")
end)

t.case("pause, unpause and completion are announced in the established order", function()
  local ctx, _, fake = setUp("notes")
  notes = {}
  local id = call(ctx, "aria2.addUri", { "http://127.0.0.1/n.bin" })
  t.eq(call(ctx, "aria2.pause", id), id, "pause answers the identifier")
  t.eq(call(ctx, "aria2.tellStatus", id).status, "paused", "paused")
  local _, message = call(ctx, "aria2.pause", id)
  t.eq(message, "GID#" .. id .. " cannot be paused now", "not twice")
  t.eq(call(ctx, "aria2.unpause", id), id, "unpause")
  fake:set("http://127.0.0.1/n.bin", { state = "done", done = 10, total = 10 })
  ctx.tasks:refresh()
  t.eq(table.concat(notes, ","), "onDownloadStart " .. id .. ",onDownloadPause " .. id .. ",onDownloadStart " .. id
    .. ",onDownloadComplete " .. id, "notifications")
  local _, again = call(ctx, "aria2.unpause", id)
  t.eq(again, "GID#" .. id .. " cannot be unpaused now", "done is not paused")
end)

t.case("an error is announced after a start, and removal as a stop", function()
  local ctx, ctl, fake = setUp("errors")
  fake.refuseAdd = nil
  local id = call(ctx, "aria2.addUri", { "http://127.0.0.1/e.bin" })
  local other = call(ctx, "aria2.addUri", { "http://127.0.0.1/f.bin" })
  notes = {}
  fake:set("http://127.0.0.1/e.bin", { state = "failed", error = "404" })
  ctl:refresh()
  t.eq(table.concat(notes, ","), "onDownloadError " .. id, "started before, so no second start")
  local s = call(ctx, "aria2.tellStatus", id)
  t.eq(s.status, "error", "error status")
  t.eq(s.errorCode, "1", "error code")
  notes = {}
  t.eq(call(ctx, "aria2.remove", other), other, "remove")
  t.eq(table.concat(notes, ","), "onDownloadStop " .. other, "stop")
  t.eq(call(ctx, "aria2.tellStatus", other).status, "removed", "kept as a result")
  local stopped = call(ctx, "aria2.tellStopped", 0, 10, { "gid", "status" })
  t.eq(#stopped, 2, "error and removed")
  t.eq(call(ctx, "aria2.removeDownloadResult", other), "OK", "result removed")
  t.eq(call(ctx, "aria2.purgeDownloadResult"), "OK", "purged")
  t.eq(#call(ctx, "aria2.tellStopped", 0, 10), 0, "nothing stopped")
  t.eq(#ctl:all(), 0, "the failed task is gone from the list too")
end)

t.case("waiting lists page from either end", function()
  local ctx, ctl = setUp("paging")
  local ids = {}
  for i = 1, 4 do ids[i] = call(ctx, "aria2.addUri", { "http://127.0.0.1/" .. i }) end
  ctl:pause(ctl:idsOf(ctl:all()))
  local front = call(ctx, "aria2.tellWaiting", 1, 2, { "gid" })
  t.eq(front[1].gid, ids[2], "from the front")
  t.eq(#front, 2, "num")
  local back = call(ctx, "aria2.tellWaiting", -1, 2, { "gid" })
  t.eq(back[1].gid, ids[4], "from the back, reversed")
  t.eq(back[2].gid, ids[3], "second from the back")
  local stat = call(ctx, "aria2.getGlobalStat")
  t.eq(stat.numWaiting, "4", "waiting count")
  t.eq(stat.numActive, "0", "active count")
  local _, message = call(ctx, "aria2.tellWaiting", 0)
  t.eq(message, "The parameter at 1 is required but missing.", "num missing")
end)

-- Each move with its answer and the waiting queue after it, as the
-- established server answers them over four paused downloads A B C D.
local MOVES = {
  { "D", 0, "POS_SET", 0, "DABC" }, { "D", 10, "POS_SET", 3, "ABCD" }, { "A", -1, "POS_SET", 0, "ABCD" },
  { "A", 1, "POS_CUR", 1, "BACD" }, { "A", -1, "POS_CUR", 0, "ABCD" }, { "B", -10, "POS_CUR", 0, "BACD" },
  { "B", 10, "POS_CUR", 3, "ACDB" }, { "C", 0, "POS_END", 3, "ADBC" }, { "C", -1, "POS_END", 2, "ADCB" },
  { "C", -2, "POS_END", 1, "ACDB" }, { "C", 1, "POS_END", 3, "ADBC" }, { "C", -10, "POS_END", 0, "CADB" },
  { "A", 0, "POS_CUR", 1, "CADB" },
}

t.case("changePosition moves within the waiting queue as the established server does, kept across restarts",
  function()
  local ctx, ctl, _, path = setUp("position")
  local gids, letter = {}, {}
  for i, name in ipairs({ "A", "B", "C", "D" }) do
    gids[name] = assert(call(ctx, "aria2.addUri", { "http://127.0.0.1/" .. name }, { pause = "true" }))
    letter[gids[name]] = name
    t.eq(ctl:all()[i].state, "paused", "added paused")
  end
  local function order(c)
    local out = {}
    for _, entry in ipairs(call(c or ctx, "aria2.tellWaiting", 0, 10, { "gid" })) do out[#out + 1] = letter[entry.gid] end
    return table.concat(out)
  end
  for _, move in ipairs(MOVES) do
    local where = move[1] .. " " .. move[2] .. " " .. move[3]
    t.eq(call(ctx, "aria2.changePosition", gids[move[1]], move[2], move[3]), move[4], where)
    t.eq(order(), move[5], where .. " order")
  end
  ctl.store:close()
  local again = setUp("position-again", path)
  t.eq(order(again), "CADB", "the order survives a restart")
end)

t.case("changePosition refuses what it cannot place", function()
  local ctx, ctl = setUp("position-refused")
  local running = call(ctx, "aria2.addUri", { "http://127.0.0.1/run" })
  local paused = call(ctx, "aria2.addUri", { "http://127.0.0.1/wait" }, { pause = true })
  t.eq(ctl:all()[1].state, "running", "one moving")
  local cases = {
    { { running, 0, "POS_SET" }, "GID#" .. running .. " not found in the waiting queue." },
    { { "00000000000000aa", 0, "POS_SET" }, "GID 00000000000000aa is not found" },
    { { paused, 1, "POS_X" }, "Illegal argument." },
    { { paused, "1", "POS_SET" }, "The parameter at 1 has wrong type." },
    { { paused, 1, 2 }, "The parameter at 2 has wrong type." },
    { { paused, 1 }, "The parameter at 2 is required but missing." },
    { { paused }, "The parameter at 1 is required but missing." },
    { {}, "The parameter at 0 is required but missing." },
  }
  for i, case in ipairs(cases) do
    local result, message = methods.call(ctx, "aria2.changePosition", case[1])
    t.eq(result, nil, "case " .. i)
    t.eq(message, case[2], "message " .. i)
  end
  local _, why = call(ctx, "aria2.addUri", { "http://127.0.0.1/x" }, { pause = "maybe" })
  t.eq(why, "pause must be true or false", "a pause that is neither")
  t.eq(call(ctx, "aria2.changePosition", paused, 5, "POS_SET"), 0, "alone in the queue it stays first")
end)

t.case("changeOption's max-download-limit holds for a running task at once", function()
  local ctx, ctl, fake = setUp("change-option")
  local id = call(ctx, "aria2.addUri", { "http://127.0.0.1/live.bin" }, { split = "2" })
  local eid = fake:idOf("http://127.0.0.1/live.bin")
  t.eq(call(ctx, "aria2.changeOption", id, { ["max-download-limit"] = "500K" }), "OK", "changed")
  t.eq(fake.tasks[eid].limit, 500 * 1024, "the running transfer holds it")
  t.eq(ctl:all()[1].ownLimit, 500 * 1024, "kept for the next start")
  t.eq(fake:idOf("http://127.0.0.1/live.bin"), eid, "not handed over again")
  local _, why = call(ctx, "aria2.changeOption", id, { ["max-download-limit"] = "fast" })
  t.eq(why, "max-download-limit must be a size such as 500K or 2M", "a bad size refused")
  t.eq(fake.tasks[eid].limit, 500 * 1024, "and the limit left as it was")
  t.eq(call(ctx, "aria2.changeOption", id, { ["max-download-limit"] = "0" }), "OK", "lifted")
  t.eq(fake.tasks[eid].limit, 0, "at once")
end)

t.case("identifiers survive a restart, and old rows get one", function()
  local ctx, ctl, _, path = setUp("restart")
  local id = call(ctx, "aria2.addUri", { "http://127.0.0.1/keep" })
  ctl.store:close()
  local ctx2 = setUp("restart2", path)
  t.eq(call(ctx2, "aria2.tellStatus", id, { "gid" }).gid, id, "same identifier")
  local rows = { { gid = "" }, { gid = "00000000000000ff" }, { gid = nil } }
  t.eq(#gid.assign(rows), 2, "two assigned")
  t.ok(gid.valid(rows[1].gid) and rows[1].gid ~= rows[3].gid, "distinct")
end)

t.case("progress from before a restart stands until the engine has read its record", function()
  local ctx, ctl, fake = setUp("blank")
  local id = call(ctx, "aria2.addUri", { "http://127.0.0.1/r.bin" })
  fake:set("http://127.0.0.1/r.bin", { done = 500, total = 1000 })
  ctl:refresh()
  fake:set("http://127.0.0.1/r.bin", { done = 0, total = -1 })
  ctl:refresh()
  t.eq(call(ctx, "aria2.tellStatus", id).completedLength, "500", "not back to nothing")
  fake:set("http://127.0.0.1/r.bin", { done = 0, total = 1000 })
  ctl:refresh()
  t.eq(call(ctx, "aria2.tellStatus", id).completedLength, "0", "a real restart from zero is shown")
end)

t.case("global options go to the settings", function()
  local ctx, _, _, _, changed = setUp("global")
  t.eq(call(ctx, "aria2.changeGlobalOption", { ["max-overall-download-limit"] = "1M",
    ["max-concurrent-downloads"] = "5" }), "OK", "changed")
  t.eq(changed.speedLimit, 1024, "KB/s")
  t.eq(changed.concurrent, 5, "slots")
  local _, message = call(ctx, "aria2.changeGlobalOption", { ["max-concurrent-downloads"] = "many" })
  t.ok(message, "refused")
  local options = call(ctx, "aria2.getGlobalOption")
  t.eq(options["max-concurrent-downloads"], "3", "text numbers")
end)

t.case("unknown methods and the listing", function()
  local ctx = setUp("names")
  local _, message = call(ctx, "aria2.nope")
  t.eq(message, "No such method: aria2.nope", "unknown")
  local _, internal = call(ctx, "aria2.call")
  t.eq(internal, "No such method: aria2.call", "helpers are not methods")
  local names = call(ctx, "system.listMethods")
  t.eq(names[1], "aria2.addUri", "first")
  t.eq(names[#names], "system.listNotifications", "last")
end)

t.case("listen addresses", function()
  t.eq(select(2, rpc.parseListen("6801")), 6801, "port alone")
  local h, p = rpc.parseListen("0.0.0.0:7000")
  t.eq(h .. ":" .. p, "0.0.0.0:7000", "host and port")
  h, p = rpc.parseListen("[::1]:7001")
  t.eq(h .. ":" .. p, "::1:7001", "IPv6")
  t.eq(rpc.parseListen("nonsense"), nil, "refused")
  t.eq(status.STATUS.queued, "waiting", "queued is waiting")
end)

t.finish()
