-- The connection family: lifecycle, DML, scalars, transfers, transactions.
local dir, sourceDir = ...
local t = dofile(sourceDir .. "/tests/db/lua/dbtest.lua")

local db = sqlite_dbnew()
assert(type(db) == "userdata")

-- Not open yet.
local r, msg = sqlite_dblastRowId(db)
t.eq(r, nil, "lastRowId when closed")
t.eq(msg, "WRAPPER_ERROR[1000]: Database not open", "lastRowId when closed")
t.eq(t.raises("tableExists when closed", sqlite_dbtableExists, db, "x"),
     "WRAPPER_ERROR[1000]: Database not open", "tableExists error")
t.eq(sqlite_dbbeginTransaction(db), "WRAPPER_ERROR[1000]: Database not open", "begin when closed")

-- A directory that does not exist.
r, msg = sqlite_dbopen(db, dir .. "/no/such/dir/x.db")
t.eq(r, nil, "open in missing dir")
t.eq(msg, "SQLITE_CANTOPEN[14]: unable to open database file", "open in missing dir")
t.noResults("close", sqlite_dbclose(db))

-- A GBK name (the bytes of 中文) lands on disk under its real name.
t.eq(sqlite_dbopen(db, dir .. "/\214\208\206\196.db"), 0, "open GBK name")
t.eq(sqlite_dbDML(db, "create table t(id integer primary key, name text, size integer)"), 0, "create")
sqlite_dbclose(db)
local f = io.open(dir .. "/\228\184\173\230\150\135.db", "rb")
assert(f, "database file under its UTF-8 name")
f:close()

t.eq(sqlite_dbopen(db, dir .. "/main.db"), 0, "open")
sqlite_dbDML(db, "create table t(id integer primary key, name text, size integer)")
t.eq(sqlite_dbtableExists(db, "t"), true, "tableExists t")
t.eq(sqlite_dbtableExists(db, "nope"), false, "tableExists nope")
t.eq(sqlite_dbtableExists(db, "t' or 'x'='x"), false, "tableExists with quote")
t.eq(sqlite_dbtableExists(db, string.rep("n", 300)), false, "tableExists long name")

-- Transactions and DML.
t.noResults("begin", sqlite_dbbeginTransaction(db))
t.eq(sqlite_dbDML(db, "insert into t(name, size) values('a', 1), ('b', null), ('c', 3)"), 3, "insert count")
t.noResults("commit", sqlite_dbcommitTransaction(db))
t.eq(sqlite_dblastRowId(db), 3, "lastRowId")
t.eq(sqlite_dbcommitTransaction(db),
     "SQLITE_ERROR[1]: cannot commit - no transaction is active", "commit without begin")
r, msg = sqlite_dbDML(db, "insert into nowhere values(1)")
t.eq(r, nil, "DML failure")
t.eq(msg, "SQLITE_ERROR[1]: no such table: nowhere", "DML failure")

-- Scalars.
t.eq(sqlite_dbScalar(db, "select count(*) from t"), 3, "scalar count")
t.eq(sqlite_dbScalar(db, "select size from t where name = 'b'"), 0, "scalar NULL")
r, msg = sqlite_dbScalar(db, "select 1 where 0")
t.eq(r, nil, "scalar no rows")
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid scalar query", "scalar no rows")
r, msg = sqlite_dbScalar(db, "selec 1")
t.eq(msg, "SQLITE_ERROR[1]: ", "scalar compile error")

-- Transfer into a query: a failure leaves the target as it was.
local q = sqlite_qnew()
t.noResults("dbquery", sqlite_dbquery(db, q, "select name from t order by id"))
t.eq(sqlite_qgetStringField(q, 0), "a", "first row")
t.eq(sqlite_dbquery(db, q, "selec"), "SQLITE_ERROR[1]: ", "dbquery compile error")
t.eq(sqlite_qgetStringField(q, 0), "a", "target kept after failure")
t.noResults("dbquery no rows", sqlite_dbquery(db, q, "select * from t where 0"))
t.eq(sqlite_qeof(q), true, "no rows is eof")
sqlite_qfinalize(q)

-- Transfer into a table.
local tab = sqlite_tnew()
t.noResults("getTable", sqlite_dbgetTable(db, "select name from t order by id", tab))
t.eq(sqlite_tnumRows(tab), 3, "table rows")
t.eq(sqlite_dbgetTable(db, "selec", tab), 'SQLITE_ERROR[1]: near "selec": syntax error', "getTable error")
t.eq(sqlite_tnumRows(tab), 3, "table kept after failure")

-- Transfer into a statement.
local s = sqlite_snew()
t.noResults("compile", sqlite_dbcompileStatement(db, "select count(*) from t", s))
t.eq(sqlite_dbcompileStatement(db, "selec", s), "SQLITE_ERROR[1]: ", "compile error")
local sq = sqlite_qnew()
sqlite_sQuery(s, sq)
t.eq(sqlite_qgetIntField(sq, 0), 3, "statement kept after failed compile")

-- Deletion hands back nil for the script's variable.
sq = sqlite_qdel(sq); s = sqlite_sdel(s); tab = sqlite_tdel(tab); q = sqlite_qdel(q)
db = sqlite_dbdel(db)
t.eq(db, nil, "dbdel result")
t.eq(select("#", sqlite_dbdel(sqlite_dbnew())), 1, "dbdel gives one result")
t.expectReports("db functions", {})
