-- The query family: getters by index and name, NULLs, blobs, the raised
-- errors of the unconverted functions, borrowed statements.
local dir, sourceDir = ...
local t = dofile(sourceDir .. "/tests/db/lua/dbtest.lua")

local db = sqlite_dbnew()
sqlite_dbopen(db, dir .. "/q.db")
sqlite_dbDML(db, [[
  create table t(id integer primary key, name text, ratio real, data blob, "3" text);
  insert into t(name, ratio, data, "3") values('a', 2.75, x'610062000063', 'three');
  insert into t(name, ratio, data, "3") values(null, null, null, null);
]])

local q = sqlite_qnew()
t.eq(t.raises("numFields on a new query", sqlite_qnumFields, q),
     "WRAPPER_ERROR[1000]: Null Virtual Machine pointer", "numFields error")
t.eq(t.raises("eof on a new query", sqlite_qeof, q), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer", "eof error")
t.eq(t.raises("nextRow on a new query", sqlite_qnextRow, q),
     "WRAPPER_ERROR[1000]: Null Virtual Machine pointer", "nextRow error")
t.noResults("finalize on a new query", sqlite_qfinalize(q))

sqlite_dbquery(db, q, 'select id, name, ratio, data, "3", ratio * 2 as twice from t order by id')
t.eq(sqlite_qnumFields(q), 6, "numFields")
t.eq(sqlite_qfieldIndex(q, "ratio"), 2, "fieldIndex")
local r, msg = sqlite_qfieldIndex(q, "RATIO")
t.eq(r, nil, "fieldIndex is case-sensitive")
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field name requested", "fieldIndex message")
t.eq(sqlite_qfieldName(q, 5), "twice", "fieldName")
t.eq(sqlite_qfieldName(q, 1.9), "name", "index truncates toward zero")
t.eq(sqlite_qfieldDeclType(q, 2), "REAL", "declared type")
t.eq(sqlite_qfieldDeclType(q, 5), nil, "expression has no declared type")
r, msg = sqlite_qfieldDataType(q, 6)
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field index requested", "index past the end")
r, msg = sqlite_qfieldName(q, -1)
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field index requested", "negative index")
r, msg = sqlite_qfieldName(q, 1e12)
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field index requested", "huge index")

-- First row: typed values.
t.eq(sqlite_qfieldDataType(q, 0), 1, "integer type")
t.eq(sqlite_qfieldDataType(q, 2), 2, "float type")
t.eq(sqlite_qfieldDataType(q, 1), 3, "text type")
t.eq(sqlite_qfieldDataType(q, 3), 4, "blob type")
t.eq(sqlite_qgetIntField(q, "id"), 1, "int by name")
t.eq(sqlite_qgetIntField(q, 2), 2, "int of 2.75")
t.eq(sqlite_qgetFloatField(q, "ratio"), 2.75, "float by name")
t.eq(sqlite_qgetStringField(q, "name"), "a", "string by name")
-- "3" passes the number check first: column index 3 (data), not the column named "3".
t.eq(sqlite_qfieldValue(q, "3"), "a", "numeric string selects by index")
t.eq(sqlite_qfieldValue(q, 4), "three", "column named 3 by index")
local blob = sqlite_qgetBlobField(q, "data")
t.eq(blob, "a\0b\0\0c", "blob keeps zero bytes")
t.eq(#blob, 6, "blob length")
t.eq(sqlite_qgetBlobField(q, 3), blob, "blob by index")
t.eq(sqlite_qfieldIsNull(q, "name"), false, "not null")

-- Second row: NULLs.
t.noResults("nextRow", sqlite_qnextRow(q))
t.eq(sqlite_qeof(q), false, "second row present")
t.eq(sqlite_qfieldIsNull(q, 1), true, "null")
t.eq(sqlite_qfieldValue(q, "name"), nil, "NULL value is nil")
t.eq(sqlite_qgetIntField(q, "ratio"), 0, "NULL int")
t.eq(sqlite_qgetFloatField(q, 2), 0, "NULL float")
t.eq(sqlite_qgetStringField(q, 1), "", "NULL string")
t.eq(sqlite_qgetBlobField(q, 3), "", "NULL blob")
t.eq(sqlite_qfieldDataType(q, 3), 5, "null type")
r, msg = sqlite_qgetIntField(q, "nope")
t.eq(r, nil, "unknown name")
t.eq(msg, "WRAPPER_ERROR[1000]: Invalid field name requested", "unknown name")

sqlite_qnextRow(q)
t.eq(sqlite_qeof(q), true, "end")
t.eq(sqlite_qgetIntField(q, 0), 0, "getter at the end reads NULL")
t.eq(sqlite_qgetStringField(q, 1), "", "getter at the end reads NULL")
t.noResults("finalize", sqlite_qfinalize(q))
t.eq(t.raises("eof after finalize", sqlite_qeof, q), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer", "eof")
r, msg = sqlite_qgetIntField(q, 0)
t.eq(msg, "WRAPPER_ERROR[1000]: Null Virtual Machine pointer", "getter after finalize")

-- A step that fails on an owned statement raises and releases it.
local failing = "select case when x = 2 then abs(-9223372036854775807 - 1) else x end " ..
                "from (select 1 as x union all select 2)"
sqlite_dbquery(db, q, failing)
t.eq(sqlite_qgetIntField(q, 0), 1, "first row of failing query")
t.eq(t.raises("failing step", sqlite_qnextRow, q), "SQLITE_ERROR[1]: integer overflow", "owned step error")
t.eq(t.raises("eof after failed step", sqlite_qeof, q), "WRAPPER_ERROR[1000]: Null Virtual Machine pointer", "released")

-- The same on a borrowed statement: the statement stays usable.
local s = sqlite_snew()
sqlite_dbcompileStatement(db, failing, s)
t.noResults("sQuery", sqlite_sQuery(s, q))
t.eq(t.raises("failing borrowed step", sqlite_qnextRow, q), "SQLITE_ERROR[1]: integer overflow", "borrowed step error")
t.eq(sqlite_qeof(q), true, "borrowed query at its end")
t.noResults("finalize borrowed", sqlite_qfinalize(q))
sqlite_sQuery(s, q)
t.eq(sqlite_qgetIntField(q, 0), 1, "statement runs again")

-- dbquery into a query that borrows: the statement's owner keeps it.
sqlite_dbquery(db, q, "select 42")
t.eq(sqlite_qgetIntField(q, 0), 42, "new owned query")
sqlite_sreset(s)
t.noResults("sQuery after reset", sqlite_sQuery(s, q))
t.eq(sqlite_qgetIntField(q, 0), 1, "statement survived")

q = sqlite_qdel(q)
t.eq(q, nil, "qdel result")
sqlite_sfinalize(s)
sqlite_sdel(s)
sqlite_dbdel(db)
t.expectReports("query functions", {})
