-- The table family: rows, names, text conversions, unconverted counts.
local dir, sourceDir = ...
local t = dofile(sourceDir .. "/tests/db/lua/dbtest.lua")

local db = sqlite_dbnew()
sqlite_dbopen(db, dir .. "/t.db")
sqlite_dbDML(db, [[
  create table t(id integer, code text, ratio real);
  insert into t values(1, '12abc', 2.75), (2, 'abc', null), (3, '  -7', -0.5);
]])

local tab = sqlite_tnew()
t.eq(t.raises("numRows on a new table", sqlite_tnumRows, tab), "WRAPPER_ERROR[1000]: Null Results pointer", "numRows")
t.eq(t.raises("numFields on a new table", sqlite_tnumFields, tab), "WRAPPER_ERROR[1000]: Null Results pointer", "numFields")
local r, msg = sqlite_tfieldValue(tab, 0)
t.eq(msg, "WRAPPER_ERROR[1000]: Null Results pointer", "value of a new table")
t.noResults("finalize new table", sqlite_tfinalize(tab))

sqlite_dbgetTable(db, "select id, code, ratio from t order by id", tab)
t.eq(sqlite_tnumFields(tab), 3, "numFields")
t.eq(sqlite_tnumRows(tab), 3, "numRows")
t.eq(sqlite_tfieldName(tab, 1), "code", "fieldName")
r, msg = sqlite_tfieldName(tab, 3)
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field index requested", "fieldName past the end")

t.eq(sqlite_tfieldValue(tab, "code"), "12abc", "value by name")
t.eq(sqlite_tgetIntField(tab, "code"), 12, "atoi of 12abc")
t.eq(sqlite_tgetIntField(tab, 2), 2, "atoi of 2.75")
t.eq(sqlite_tgetFloatField(tab, "ratio"), 2.75, "atof")
t.eq(sqlite_tgetStringField(tab, 0), "1", "string of an integer")
t.eq(sqlite_tfieldIsNull(tab, "ratio"), false, "not null")

t.noResults("setRow", sqlite_tsetRow(tab, 1))
t.eq(sqlite_tgetIntField(tab, "code"), 0, "atoi of abc")
t.eq(sqlite_tgetFloatField(tab, "code"), 0, "atof of abc")
t.eq(sqlite_tfieldIsNull(tab, 2), true, "null")
t.eq(sqlite_tfieldValue(tab, 2), nil, "NULL value is nil")
t.eq(sqlite_tgetIntField(tab, 2), 0, "NULL int")
t.eq(sqlite_tgetFloatField(tab, "ratio"), 0, "NULL float")
t.eq(sqlite_tgetStringField(tab, "ratio"), "", "NULL string")

sqlite_tsetRow(tab, 2.9)
t.eq(sqlite_tgetIntField(tab, "code"), -7, "row truncated to 2; atoi skips blanks")
t.eq(sqlite_tsetRow(tab, 3), "WRAPPER_ERROR[1000]: Invalid row index requested", "row past the end")
t.eq(sqlite_tsetRow(tab, -1), "WRAPPER_ERROR[1000]: Invalid row index requested", "negative row")
t.eq(sqlite_tgetIntField(tab, 0), 3, "current row kept after a refused setRow")
r, msg = sqlite_tgetStringField(tab, "CODE")
t.eq(r, nil, "case-sensitive name")
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field name requested", "case-sensitive name")

-- A new result replaces the old one.
sqlite_dbgetTable(db, "select count(*) as n from t", tab)
t.eq(sqlite_tnumRows(tab), 1, "replaced")
t.eq(sqlite_tgetIntField(tab, "n"), 3, "count")
sqlite_dbgetTable(db, "select * from t where 0", tab)
t.eq(sqlite_tnumRows(tab), 0, "no rows")

t.noResults("finalize", sqlite_tfinalize(tab))
t.eq(t.raises("numRows after finalize", sqlite_tnumRows, tab), "WRAPPER_ERROR[1000]: Null Results pointer", "finalized")
t.eq(sqlite_tdel(tab), nil, "tdel result")
sqlite_dbdel(db)
t.expectReports("table functions", {})
