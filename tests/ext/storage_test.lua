-- The task database: schema, migrations, damaged files, bulk writes.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local storage = require("velmora.storage")

local function task(i, extra)
  local out = { url = "http://127.0.0.1/f" .. i .. ".bin", name = "f" .. i .. ".bin", folder = "/tmp/dl", state = "queued",
    done = i, total = 1000 + i, error = "", referrer = "", added = 1700000000 + i, finished = 0, file = "" }
  for k, v in pairs(extra or {}) do out[k] = v end
  return out
end

local function rawDb(path, statements)
  local db = sqlite_dbnew()
  assert(sqlite_dbopen(db, path) == 0)
  for _, sql in ipairs(statements) do assert(sqlite_dbDML(db, sql), sql) end
  sqlite_dbdel(db)
end

local function journalMode(store)
  local q = sqlite_qnew()
  sqlite_dbquery(store.db, q, "PRAGMA journal_mode")
  local mode = sqlite_qgetStringField(q, 0)
  sqlite_qdel(q)
  return mode
end

t.case("a new database has the current schema, write-ahead logging and keeps rows", function()
  local dir = t.scratch("fresh")
  local path = dir .. "/deeper/tasks.db"
  local store, notices = assert(storage.open(path))
  t.eq(#notices, 0, "notices")
  t.eq(store:version(), storage.VERSION, "version")
  t.eq(journalMode(store), "wal", "journal mode")
  local rows = { task(1), task(2, { name = "名字 'quoted' \"x\"", state = "failed", error = "404 Not Found" }) }
  assert(store:insertMany(rows))
  t.ok(rows[1].id and rows[2].id == rows[1].id + 1, "ids given")
  rows[1].state, rows[1].done = "done", 1001
  assert(store:updateMany({ rows[1] }))
  store:close()

  store = assert(storage.open(path))
  local loaded = assert(store:loadAll())
  t.eq(#loaded, 2, "rows")
  t.eq(loaded[1].state, "done", "updated state")
  t.eq(loaded[1].done, 1001, "updated bytes")
  t.eq(loaded[2].name, rows[2].name, "text round trip")
  t.eq(loaded[2].error, "404 Not Found", "error")
  t.eq(loaded[2].total, 1002, "total")
  assert(store:deleteMany({ loaded[1].id }))
  t.eq(#assert(store:loadAll()), 1, "after delete")
  store:close()
end)

t.case("a failing change leaves nothing behind", function()
  local store = assert(storage.open(t.scratch("rollback") .. "/tasks.db"))
  local ok, message = store:transaction(function()
    sqlite_dbDML(store.db, "INSERT INTO tasks (url) VALUES ('http://x/')")
    error("half way")
  end)
  t.eq(ok, nil, "result")
  t.ok(message:find("half way", 1, true), "message")
  t.eq(#assert(store:loadAll()), 0, "rows after rollback")
  -- The database is usable afterwards.
  assert(store:insertMany({ task(1) }))
  t.eq(#assert(store:loadAll()), 1, "rows")
  store:close()
end)

t.case("version 0 and version 1 databases are upgraded with their rows", function()
  local dir = t.scratch("migrate")
  local v1Table = "CREATE TABLE tasks (id INTEGER PRIMARY KEY, url TEXT NOT NULL, name TEXT NOT NULL DEFAULT '',"
    .. " folder TEXT NOT NULL DEFAULT '', state TEXT NOT NULL DEFAULT 'queued', done INTEGER NOT NULL DEFAULT 0,"
    .. " total INTEGER NOT NULL DEFAULT -1, added INTEGER NOT NULL DEFAULT 0, finished INTEGER NOT NULL DEFAULT 0)"
  rawDb(dir .. "/v0.db", { v1Table, "INSERT INTO tasks (url, name, state, done, total) VALUES ('http://a/x', 'x', 'paused', 5, 10)" })
  rawDb(dir .. "/v1.db", { v1Table, "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "INSERT INTO schema_version VALUES (1)", "INSERT INTO tasks (url, name, state) VALUES ('http://b/y', 'y', 'done')" })
  rawDb(dir .. "/empty.db", {})
  for file, expected in pairs({ ["v0.db"] = "x", ["v1.db"] = "y", ["empty.db"] = false }) do
    local store, notices = assert(storage.open(dir .. "/" .. file))
    t.eq(#notices, 0, file .. " notices")
    t.eq(store:version(), storage.VERSION, file .. " version")
    local rows = assert(store:loadAll())
    if expected then
      t.eq(#rows, 1, file .. " rows")
      t.eq(rows[1].name, expected, file .. " name")
      t.eq(rows[1].error, "", file .. " new column")
      t.eq(rows[1].cause .. rows[1].code .. rows[1].started, "00", file .. " cause columns")
    else
      t.eq(#rows, 0, file .. " rows")
    end
    store:close()
  end
end)

t.case("older rows keep the order they were added in, and load in queue order", function()
  local path = t.scratch("order") .. "/tasks.db"
  rawDb(path, { "CREATE TABLE tasks (id INTEGER PRIMARY KEY, url TEXT NOT NULL, name TEXT NOT NULL DEFAULT '',"
      .. " folder TEXT NOT NULL DEFAULT '', state TEXT NOT NULL DEFAULT 'queued', done INTEGER NOT NULL DEFAULT 0,"
      .. " total INTEGER NOT NULL DEFAULT -1, added INTEGER NOT NULL DEFAULT 0, finished INTEGER NOT NULL DEFAULT 0)",
    "INSERT INTO tasks (id, url, name) VALUES (2, 'http://a/y', 'y')",
    "INSERT INTO tasks (id, url, name) VALUES (1, 'http://a/x', 'x')" })
  local store = assert(storage.open(path))
  local rows = assert(store:loadAll())
  t.eq(rows[1].name .. rows[1].position .. rows[2].name .. rows[2].position .. rows[1].alwaysRun, "x1y20", "upgraded")
  rows[1].position, rows[2].position = 2, 1
  assert(store:updateMany(rows))
  rows = assert(store:loadAll())
  t.eq(rows[1].name .. rows[2].name, "yx", "by position")
  store:close()
end)

t.case("small values for the window are kept, replaced and read back", function()
  local path = t.scratch("values") .. "/tasks.db"
  local store = assert(storage.open(path))
  t.eq(store:getValue("columns.downloadlist"), nil, "nothing yet")
  assert(store:setValue("columns.downloadlist", "200,96"))
  assert(store:setValue("columns.downloadlist", "180,'quoted'"))
  assert(store:setValue("sort.downloadlist", "3 desc"))
  store:close()
  store = assert(storage.open(path))
  t.eq(store:getValue("columns.downloadlist"), "180,'quoted'", "replaced")
  t.eq(store:getValue("sort.downloadlist"), "3 desc", "second key")
  store:close()
end)

t.case("a damaged database is kept aside and a fresh one starts", function()
  local dir = t.scratch("damaged")
  local path = dir .. "/tasks.db"
  local garbage = string.rep("this is not a database ", 200)
  t.writeFile(path, garbage)
  local store, notices = assert(storage.open(path))
  t.eq(#notices, 1, "notices")
  t.eq(notices[1].kind, "database-set-aside", "kind")
  t.ok(notices[1].file:match("/tasks%.db%.damaged%-%d+%-%d+$"), "aside name " .. notices[1].file)
  t.eq(t.readFile(notices[1].file), garbage, "damaged bytes kept")
  assert(store:insertMany({ task(1) }))
  t.eq(#assert(store:loadAll()), 1, "fresh database works")
  store:close()

  -- A second damaged file on the same second does not overwrite the first.
  t.writeFile(path, garbage .. "2")
  local _, again = assert(storage.open(path))
  t.ok(again[1].file ~= notices[1].file, "distinct aside names")
end)

t.case("a database from a newer version is set aside, not changed", function()
  local dir = t.scratch("newer")
  rawDb(dir .. "/tasks.db", { "CREATE TABLE schema_version (version INTEGER NOT NULL)", "INSERT INTO schema_version VALUES (99)" })
  local store, notices = assert(storage.open(dir .. "/tasks.db"))
  t.eq(notices[1].kind, "database-set-aside", "kind")
  t.ok(notices[1].file:find("tasks.db.newer-", 1, true), "aside name")
  t.eq(store:version(), storage.VERSION, "fresh version")
  store:close()
end)

t.case("a data folder whose name is not ASCII works", function()
  local path = t.scratch("\228\184\173\230\150\135") .. "/tasks.db"
  local store = assert(storage.open(path))
  assert(store:insertMany({ task(1) }))
  store:close()
  t.ok(t.exists(path), "the file is where the name says")
  t.eq(#assert(assert(storage.open(path)):loadAll()), 1, "rows")
end)

t.case("a folder that cannot be made is an error, not a crash", function()
  local dir = t.scratch("blocked")
  t.writeFile(dir .. "/file", "x")
  local store, message = storage.open(dir .. "/file/sub/tasks.db")
  t.eq(store, nil, "store")
  t.ok(type(message) == "string", "message")
end)

t.case("1,000 tasks are written in one transaction and load back", function()
  local path = t.scratch("thousand") .. "/tasks.db"
  local store = assert(storage.open(path))
  local rows = {}
  for i = 1, 1000 do rows[i] = task(i) end
  local started = os.clock()
  assert(store:insertMany(rows))
  local wrote = os.clock() - started
  store:close()
  started = os.clock()
  store = assert(storage.open(path))
  local loaded = assert(store:loadAll())
  local loadTime = os.clock() - started
  t.eq(#loaded, 1000, "rows")
  t.eq(loaded[1000].url, "http://127.0.0.1/f1000.bin", "last row")
  io.write(string.format("insert 1000: %.1f ms cpu, open+load 1000: %.1f ms cpu\n", wrote * 1000, loadTime * 1000))
  store:close()
end)

t.finish()
