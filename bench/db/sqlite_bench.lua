-- Insert and read-back timings of the sqlite_* library against LuaSQL's
-- SQLite driver, each on its own fresh database file; the best of several
-- rounds, with the order of the two sides alternating between rounds.
local scratch, rowsText = ...
local ROWS = tonumber(rowsText) or 100000
local ROUNDS = 5
local luasql = require "luasql.sqlite3"

local CREATE = "create table t(id integer primary key, name text, size integer, ratio real)"
local SELECT = "select id, name, size, ratio from t"

-- Every row gets its own SQL text, built before any clock starts.
local inserts, names = {}, {}
for i = 1, ROWS do
  names[i] = "file-" .. i .. ".zip"
  inserts[i] = string.format("insert into t(id, name, size, ratio) values(%d, '%s', %d, %.3f)",
                             i, names[i], i * 37, i / 8)
end

local fileCount = 0
local function freshFile()
  fileCount = fileCount + 1
  return scratch .. "/bench" .. fileCount .. ".db"
end

local function timed(f)
  collectgarbage()
  local start = bench_clock()
  f()
  return bench_clock() - start
end

-- Reads are short; several per round keep a stray pause from deciding the figure.
local READS = 3
local function bestOf(times, f)
  local best = math.huge
  for _ = 1, times do best = math.min(best, timed(f)) end
  return best
end

-- The library under test ------------------------------------------------------
local function oursInsert(db)
  sqlite_dbbeginTransaction(db)
  for i = 1, ROWS do sqlite_dbDML(db, inserts[i]) end
  sqlite_dbcommitTransaction(db)
end

local function oursPrepared(db)
  local s = sqlite_snew()
  sqlite_dbcompileStatement(db, "insert into t(id, name, size, ratio) values(?, ?, ?, ?)", s)
  sqlite_dbbeginTransaction(db)
  for i = 1, ROWS do
    sqlite_sbindInt(s, 1, i)
    sqlite_sbindString(s, 2, names[i])
    sqlite_sbindInt(s, 3, i * 37)
    sqlite_sbindFloat(s, 4, i / 8)
    sqlite_sDML(s)
  end
  sqlite_dbcommitTransaction(db)
  sqlite_sfinalize(s)
  sqlite_sdel(s)
end

-- As product scripts write it: every call through its global name.
local function oursRead(db)
  local q = sqlite_qnew()
  sqlite_dbquery(db, q, SELECT)
  local count, sum = 0, 0
  while not sqlite_qeof(q) do
    local id = sqlite_qgetIntField(q, 0)
    local name = sqlite_qgetStringField(q, 1)
    local size = sqlite_qgetIntField(q, 2)
    local ratio = sqlite_qgetFloatField(q, 3)
    count, sum = count + 1, sum + id + size + ratio + #name
    sqlite_qnextRow(q)
  end
  sqlite_qdel(q)
  assert(count == ROWS, "read back " .. count .. " rows")
  return sum
end

-- The usual Lua habit for hot loops: the functions held in locals.
local function oursReadLocals(db)
  local qeof, getInt, getString, getFloat, nextRow =
      sqlite_qeof, sqlite_qgetIntField, sqlite_qgetStringField, sqlite_qgetFloatField, sqlite_qnextRow
  local q = sqlite_qnew()
  sqlite_dbquery(db, q, SELECT)
  local count, sum = 0, 0
  while not qeof(q) do
    local id = getInt(q, 0)
    local name = getString(q, 1)
    local size = getInt(q, 2)
    local ratio = getFloat(q, 3)
    count, sum = count + 1, sum + id + size + ratio + #name
    nextRow(q)
  end
  sqlite_qdel(q)
  assert(count == ROWS, "read back " .. count .. " rows")
  return sum
end

-- Times the insert into a fresh file, then each read over the rows it made.
local function withOurs(insert, reads)
  local db = sqlite_dbnew()
  sqlite_dbopen(db, freshFile())
  sqlite_dbDML(db, CREATE)
  local seconds = { insert = timed(function() insert(db) end) }
  for name, read in pairs(reads or {}) do seconds[name] = bestOf(READS, function() read(db) end) end
  sqlite_dbdel(db)
  return seconds
end

-- LuaSQL ----------------------------------------------------------------------
local env = assert(luasql.sqlite3())

local function theirsInsert(conn)
  conn:execute("BEGIN")
  for i = 1, ROWS do conn:execute(inserts[i]) end
  conn:execute("COMMIT")
end

local function theirsRead(conn)
  local cursor = conn:execute(SELECT)
  local count, sum = 0, 0
  local id, name, size, ratio = cursor:fetch()
  while id do
    count, sum = count + 1, sum + id + size + ratio + #name
    id, name, size, ratio = cursor:fetch()
  end
  cursor:close()
  assert(count == ROWS, "read back " .. count .. " rows")
  return sum
end

local function theirsReadLocals(conn)
  local cursor = conn:execute(SELECT)
  local fetch = cursor.fetch
  local count, sum = 0, 0
  local id, name, size, ratio = fetch(cursor)
  while id do
    count, sum = count + 1, sum + id + size + ratio + #name
    id, name, size, ratio = fetch(cursor)
  end
  cursor:close()
  assert(count == ROWS, "read back " .. count .. " rows")
  return sum
end

local function withTheirs(insert, reads)
  local conn = assert(env:connect(freshFile()))
  conn:execute(CREATE)
  local seconds = { insert = timed(function() insert(conn) end) }
  for name, read in pairs(reads or {}) do seconds[name] = bestOf(READS, function() read(conn) end) end
  conn:close()
  return seconds
end

-- Rounds ----------------------------------------------------------------------
local best = {}
local function keep(side, seconds)
  for name, value in pairs(seconds) do
    local key = side .. " " .. name
    if not best[key] or value < best[key] then best[key] = value end
  end
end

for round = 1, ROUNDS do
  local sides = {
    function() keep("ours", withOurs(oursInsert, { read = oursRead, readLocals = oursReadLocals })) end,
    function() keep("luasql", withTheirs(theirsInsert, { read = theirsRead, readLocals = theirsReadLocals })) end,
  }
  if round % 2 == 0 then sides[1], sides[2] = sides[2], sides[1] end
  sides[1]()
  sides[2]()
  keep("ours prepared", withOurs(oursPrepared))
end
env:close()

print(string.format("rows: %d, best of %d rounds, process CPU time", ROWS, ROUNDS))
local function line(label, name)
  local ours, theirs = best["ours " .. name], best["luasql " .. name]
  print(string.format("%-30s ours %8.1f ms   luasql %8.1f ms   ratio %.2fx", label, ours * 1000, theirs * 1000,
                      ours / theirs))
end
line("insert, one SQL text per row", "insert")
line("read back, global calls", "read")
line("read back, calls via locals", "readLocals")
print(string.format("%-30s ours %8.1f ms   (%.2fx luasql's SQL-per-row insert)", "insert, prepared and bound",
                    best["ours prepared insert"] * 1000, best["ours prepared insert"] / best["luasql insert"]))
