-- The task database: one SQLite file in the user's data folder, with a
-- schema version, write-ahead logging, and every change in a transaction.
-- A file SQLite cannot read is moved aside (never deleted) and a fresh
-- database takes its place, so a damaged file can never lock the user out.
local host = require("velmora.host")
local paths = require("velmora.paths")

local M = {}
M.__index = M

M.VERSION = 5

-- The columns a task row has at the current version, in load order.
M.COLUMNS = {
  "id", "url", "name", "folder", "state", "done", "total", "error", "referrer", "added", "finished", "file",
  "cause", "code", "httpStatus", "started", "finalUrl", "ownConnections", "ownLimit", "ownChecksum", "gid",
  "position", "alwaysRun",
}
local NUMERIC = {
  id = true, done = true, total = true, added = true, finished = true, code = true, httpStatus = true, started = true,
  ownConnections = true, ownLimit = true, position = true, alwaysRun = true,
}

-- Migration steps: steps[v] takes a database from version v-1 to v. A
-- database without a version table is version 0: empty, or the first,
-- unversioned task table.
local steps = {
  [1] = {
    "CREATE TABLE IF NOT EXISTS tasks (id INTEGER PRIMARY KEY, url TEXT NOT NULL, name TEXT NOT NULL DEFAULT '',"
      .. " folder TEXT NOT NULL DEFAULT '', state TEXT NOT NULL DEFAULT 'queued', done INTEGER NOT NULL DEFAULT 0,"
      .. " total INTEGER NOT NULL DEFAULT -1, added INTEGER NOT NULL DEFAULT 0, finished INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)",
  },
  [2] = {
    "ALTER TABLE tasks ADD COLUMN error TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE tasks ADD COLUMN referrer TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE tasks ADD COLUMN file TEXT NOT NULL DEFAULT ''",
    "CREATE INDEX IF NOT EXISTS tasks_state ON tasks(state)",
  },
  -- Why a task failed as a value, when it began, where it was sent; and
  -- small values the window keeps between runs (column widths, order).
  [3] = {
    "ALTER TABLE tasks ADD COLUMN cause TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE tasks ADD COLUMN code INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE tasks ADD COLUMN httpStatus INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE tasks ADD COLUMN started INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE tasks ADD COLUMN finalUrl TEXT NOT NULL DEFAULT ''",
    -- What the user chose for this task alone: 0 and "" leave it to the settings.
    "ALTER TABLE tasks ADD COLUMN ownConnections INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE tasks ADD COLUMN ownLimit INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE tasks ADD COLUMN ownChecksum TEXT NOT NULL DEFAULT ''",
    "CREATE TABLE IF NOT EXISTS view_state (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
  },
  -- The remote-control identifier; rows without one get one when loaded.
  [4] = {
    "ALTER TABLE tasks ADD COLUMN gid TEXT NOT NULL DEFAULT ''",
  },
  -- The user's queue order (rows kept so far keep the order they were
  -- added in), and tasks that run beside the concurrent-downloads limit.
  [5] = {
    "ALTER TABLE tasks ADD COLUMN position INTEGER NOT NULL DEFAULT 0",
    "UPDATE tasks SET position=id",
    "ALTER TABLE tasks ADD COLUMN alwaysRun INTEGER NOT NULL DEFAULT 0",
  },
}

local function exec(db, sql)
  local n, message = host.sqlite_dbDML(db, sql)
  if n == nil then return nil, message or ("failed: " .. sql) end
  return true
end

local function queryText(db, sql)
  local q = host.sqlite_qnew()
  local ok, value = pcall(function()
    local message = host.sqlite_dbquery(db, q, sql)
    if message then error(message, 0) end
    if host.sqlite_qeof(q) then return nil end
    return host.sqlite_qgetStringField(q, 0)
  end)
  host.sqlite_qdel(q)
  if not ok then return nil, tostring(value) end
  return value
end

local function tableExists(db, name)
  local ok, exists = pcall(host.sqlite_dbtableExists, db, name)
  return ok and exists == true
end

-- Runs fn inside one transaction; any failure rolls everything back.
function M:transaction(fn)
  local message = host.sqlite_dbbeginTransaction(self.db)
  if message then return nil, message end
  local ok, result, failure = pcall(fn)
  if ok and result ~= nil then
    message = host.sqlite_dbcommitTransaction(self.db)
    if not message then return result end
    failure = message
  elseif not ok then
    failure = result
  end
  host.sqlite_dbDML(self.db, "ROLLBACK")
  return nil, tostring(failure or "transaction failed")
end

function M:version()
  if not tableExists(self.db, "schema_version") then return 0 end
  local text = queryText(self.db, "SELECT version FROM schema_version LIMIT 1")
  return tonumber(text) or 0
end

function M:migrate()
  local from = self:version()
  if from > M.VERSION then
    return nil, "the task database was written by a newer version (" .. from .. ")"
  end
  for v = from + 1, M.VERSION do
    local ok, message = self:transaction(function()
      for _, sql in ipairs(steps[v]) do
        local done, failure = exec(self.db, sql)
        if not done then error(failure, 0) end
      end
      assert(exec(self.db, "DELETE FROM schema_version"))
      assert(exec(self.db, "INSERT INTO schema_version (version) VALUES (" .. v .. ")"))
      return true
    end)
    if not ok then return nil, "upgrading the task database to version " .. v .. " failed: " .. message end
  end
  return true
end

local function openFile(path)
  local name, unspellable = paths.ansi(path)
  if not name then return nil, path .. ": " .. unspellable end
  local db = host.sqlite_dbnew()
  local ok, message = host.sqlite_dbopen(db, name)
  if ok == nil then
    host.sqlite_dbdel(db)
    return nil, message or "cannot open " .. path
  end
  -- An unreadable file passes open; the first real read tells.
  local check, failure = queryText(db, "PRAGMA quick_check")
  if check ~= "ok" then
    host.sqlite_dbdel(db)
    return nil, failure or ("integrity check: " .. tostring(check)), true
  end
  host.sqlite_dbDML(db, "PRAGMA journal_mode=WAL")
  host.sqlite_dbDML(db, "PRAGMA synchronous=NORMAL")
  return db
end

local function setAside(path, why)
  local aside = paths.asideName(path, why)
  local ok, message = os.rename(path, aside)
  if not ok then return nil, message end
  for _, suffix in ipairs({ "-wal", "-shm" }) do
    if paths.exists(path .. suffix) then os.rename(path .. suffix, aside .. suffix) end
  end
  return aside
end

-- path() -> where the window keeps its tasks.
function M.path() return paths.dataDir() .. "/tasks.db" end

-- open(path) -> store, notices; or nil and a message. `path` is in the
-- system's bytes (see paths.ansi). `notices` lists what the user should be
-- told (a damaged file set aside, with its new name).
function M.open(path)
  local folderOk, folderMessage = paths.makeDirs(paths.dirname(path))
  if not folderOk then return nil, folderMessage end
  local notices = {}
  local db, message, damaged = openFile(path)
  local self
  if db then
    self = setmetatable({ db = db, path = path }, M)
    local migrated, failure = self:migrate()
    if not migrated then
      host.sqlite_dbdel(db)
      db, message, damaged = nil, failure, true
    end
  end
  if not db and damaged then
    local why = message and message:find("newer version", 1, true) and "newer" or "damaged"
    local aside, renameFailure = setAside(path, why)
    if not aside then return nil, "cannot set aside " .. path .. ": " .. tostring(renameFailure) end
    notices[#notices + 1] = { kind = "database-set-aside", file = aside, reason = message }
    db, message = openFile(path)
    if db then
      self = setmetatable({ db = db, path = path }, M)
      local migrated, failure = self:migrate()
      if not migrated then
        host.sqlite_dbdel(db)
        return nil, failure
      end
    end
  end
  if not db then return nil, message end
  return self, notices
end

function M:close()
  if self.db then
    host.sqlite_dbdel(self.db)
    self.db = nil
  end
end

-- loadAll() -> array of task records in queue order.
function M:loadAll()
  local q = host.sqlite_qnew()
  local tasks = {}
  local ok, message = pcall(function()
    local sql = "SELECT " .. table.concat(M.COLUMNS, ",") .. " FROM tasks ORDER BY position, id"
    local failure = host.sqlite_dbquery(self.db, q, sql)
    if failure then error(failure, 0) end
    while not host.sqlite_qeof(q) do
      local task = {}
      for i, column in ipairs(M.COLUMNS) do
        if NUMERIC[column] then
          task[column] = tonumber(host.sqlite_qgetStringField(q, i - 1)) or 0
        else
          task[column] = host.sqlite_qgetStringField(q, i - 1) or ""
        end
      end
      tasks[#tasks + 1] = task
      host.sqlite_qnextRow(q)
    end
  end)
  host.sqlite_qdel(q)
  if not ok then return nil, tostring(message) end
  return tasks
end

local WRITABLE = {
  "url", "name", "folder", "state", "done", "total", "error", "referrer", "added", "finished", "file",
  "cause", "code", "httpStatus", "started", "finalUrl", "ownConnections", "ownLimit", "ownChecksum", "gid",
  "position", "alwaysRun",
}

local function bindTask(s, task, first)
  for i, column in ipairs(WRITABLE) do
    local value = task[column]
    local message
    if NUMERIC[column] then
      message = host.sqlite_sbindInt(s, first + i - 1, math.floor(tonumber(value) or (column == "total" and -1 or 0)))
    else
      message = host.sqlite_sbindString(s, first + i - 1, tostring(value or ""))
    end
    if message then error(message, 0) end
  end
end

-- Prepares `sql`, runs fn(statement) for each item, finalises. Called inside
-- a transaction.
function M:withStatement(sql, items, fn, after)
  local s = host.sqlite_snew()
  local ok, message = pcall(function()
    local failure = host.sqlite_dbcompileStatement(self.db, sql, s)
    if failure then error(failure, 0) end
    for _, item in ipairs(items) do
      fn(s, item)
      local n, dmlFailure = host.sqlite_sDML(s)
      if n == nil then error(dmlFailure or "write failed", 0) end
      if after then after(item) end
      local reset, resetFailure = host.sqlite_sreset(s)
      if reset == nil then error(resetFailure or "reset failed", 0) end
    end
  end)
  host.sqlite_sfinalize(s)
  host.sqlite_sdel(s)
  if not ok then error(message, 0) end
end

-- insertMany(tasks): one transaction; each task gets its `id`.
function M:insertMany(tasks)
  local placeholders = string.rep("?,", #WRITABLE - 1) .. "?"
  local sql = "INSERT INTO tasks (" .. table.concat(WRITABLE, ",") .. ") VALUES (" .. placeholders .. ")"
  return self:transaction(function()
    self:withStatement(sql, tasks, function(s, task) bindTask(s, task, 1) end,
      function(task) task.id = host.sqlite_dblastRowId(self.db) end)
    return true
  end)
end

-- updateMany(tasks): writes every column of each task, one transaction.
function M:updateMany(tasks)
  if #tasks == 0 then return true end
  local sets = {}
  for i, column in ipairs(WRITABLE) do sets[i] = column .. "=?" end
  local sql = "UPDATE tasks SET " .. table.concat(sets, ",") .. " WHERE id=?"
  return self:transaction(function()
    self:withStatement(sql, tasks, function(s, task)
      bindTask(s, task, 1)
      local message = host.sqlite_sbindInt(s, #WRITABLE + 1, task.id)
      if message then error(message, 0) end
    end)
    return true
  end)
end

function M:deleteMany(ids)
  if #ids == 0 then return true end
  return self:transaction(function()
    self:withStatement("DELETE FROM tasks WHERE id=?", ids, function(s, id)
      local message = host.sqlite_sbindInt(s, 1, id)
      if message then error(message, 0) end
    end)
    return true
  end)
end

-- getValue(key) -> the text kept under key, or nil (and a message when
-- the read failed).
function M:getValue(key)
  local q, s = host.sqlite_qnew(), host.sqlite_snew()
  local ok, value = pcall(function()
    local message = host.sqlite_dbcompileStatement(self.db, "SELECT value FROM view_state WHERE key=?", s)
      or host.sqlite_sbindString(s, 1, tostring(key)) or host.sqlite_sQuery(s, q)
    if message then error(message, 0) end
    if host.sqlite_qeof(q) then return nil end
    return host.sqlite_qgetStringField(q, 0)
  end)
  host.sqlite_qdel(q)
  host.sqlite_sfinalize(s)
  host.sqlite_sdel(s)
  if not ok then return nil, tostring(value) end
  return value
end

-- setValue(key, text) -> true, or nil and a message.
function M:setValue(key, value)
  return self:transaction(function()
    self:withStatement("INSERT OR REPLACE INTO view_state (key, value) VALUES (?, ?)", { true }, function(s)
      local message = host.sqlite_sbindString(s, 1, tostring(key)) or host.sqlite_sbindString(s, 2, tostring(value))
      if message then error(message, 0) end
    end)
    return true
  end)
end

return M
