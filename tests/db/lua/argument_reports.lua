-- Every argument check: its report text and no results. (Null handles are
-- checked from C++, since a script cannot make one.)
local dir, sourceDir = ...
local t = dofile(sourceDir .. "/tests/db/lua/dbtest.lua")

local db = sqlite_dbnew()
sqlite_dbopen(db, dir .. "/a.db")
local q, tab, s = sqlite_qnew(), sqlite_tnew(), sqlite_snew()
t.reports()

-- Arguments with their exact count, trailing nils included.
local function A(...) return { n = select("#", ...), ... } end

local function check(stem, f, args, expected)
  t.noResults(stem, f(unpack(args, 1, args.n)))
  t.expectReports(stem, { expected and ("(error) (" .. stem .. ":N) " .. expected) or nil })
end

local families = {
  sqlite3_dblua = { sqlite_dbdel, sqlite_dbopen, sqlite_dbclose, sqlite_dbquery, sqlite_dbtableExists,
    sqlite_dbDML, sqlite_dbScalar, sqlite_dbgetTable, sqlite_dbcompileStatement, sqlite_dblastRowId,
    sqlite_dbbeginTransaction, sqlite_dbcommitTransaction },
  sqlite3_querylua = { sqlite_qdel, sqlite_qnumFields, sqlite_qfieldIndex, sqlite_qfieldName,
    sqlite_qfieldDeclType, sqlite_qfieldDataType, sqlite_qfieldValue, sqlite_qgetIntField,
    sqlite_qgetFloatField, sqlite_qgetStringField, sqlite_qgetBlobField, sqlite_qfieldIsNull, sqlite_qeof,
    sqlite_qnextRow, sqlite_qfinalize },
  sqlite3_tablelua = { sqlite_tdel, sqlite_tnumFields, sqlite_tnumRows, sqlite_tfieldName, sqlite_tfieldValue,
    sqlite_tgetIntField, sqlite_tgetFloatField, sqlite_tgetStringField, sqlite_tfieldIsNull, sqlite_tsetRow,
    sqlite_tfinalize },
  sqlite3_statementlua = { sqlite_sdel, sqlite_sDML, sqlite_sQuery, sqlite_sbindString, sqlite_sbindInt,
    sqlite_sbindFloat, sqlite_sbindBlob, sqlite_sbindNull, sqlite_sreset, sqlite_sfinalize },
}
for stem, functions in pairs(families) do
  for _, f in ipairs(functions) do
    check(stem, f, A("not a handle", 1, 1), "is not userdata ,can not delete.\n")
    check(stem, f, A(nil), "is not userdata ,can not delete.\n")
  end
end

local D, Q, T, S = "sqlite3_dblua", "sqlite3_querylua", "sqlite3_tablelua", "sqlite3_statementlua"
check(D, sqlite_dbopen, A(db, {}), "open filename is not string,type is table\n")
check(D, sqlite_dbtableExists, A(db), "tableExists Table is not string,type is no value\n")
check(D, sqlite_dbDML, A(db, true), "execDML Sql is not string,type is boolean\n")
check(D, sqlite_dbquery, A(db, "select 1", "select 1"), " param 2 is not userdata ,type is string\n")
check(D, sqlite_dbquery, A(db, q, nil), " param 3 is not string ,type is nil\n")
check(D, sqlite_dbScalar, A(db, nil), "execScalar Sql is not string,type is nil\n")
check(D, sqlite_dbgetTable, A(db, tab, tab), "getTable Sql is not string,type is userdata\n")
check(D, sqlite_dbgetTable, A(db, "select 1", 5), "getTable SqliteTable is not userdata,type is number\n")
check(D, sqlite_dbcompileStatement, A(db, nil, s), "compileStatement Sql is not string,type is nil\n")
check(D, sqlite_dbcompileStatement, A(db, "select 1", "s"),
      "compileStatement SqliteTable is not userdata,type is string\n")

sqlite_dbquery(db, q, "select 1 as one")
check(Q, sqlite_qfieldIndex, A(q, nil), "fieldIndex szField is not string,type is nil\n")
check(Q, sqlite_qfieldName, A(q, "one"), "fieldName nCol is not number,type is string\n")
check(Q, sqlite_qfieldDeclType, A(q, {}), "fieldDeclType nCol is not number,type is table\n")
check(Q, sqlite_qfieldDataType, A(q), "fieldDataType nCol is not number,type is no value\n")
check(Q, sqlite_qfieldValue, A(q, true), "fieldValue Field is not number or string,type is boolean\n")
check(Q, sqlite_qgetIntField, A(q, nil), "getIntField Field is not number or string,type is nil\n")
check(Q, sqlite_qgetFloatField, A(q, {}), "getFloatField Field is not number or string,type is table\n")
check(Q, sqlite_qgetStringField, A(q, q), "getStringField Field is not number or string,type is userdata\n")
check(Q, sqlite_qgetBlobField, A(q, false), "getBlobField Field is not number or string,type is boolean\n")
check(Q, sqlite_qfieldIsNull, A(q), "fieldIsNull Field is not number or string,type is no value\n")

sqlite_dbgetTable(db, "select 1 as one", tab)
check(T, sqlite_tfieldName, A(tab, "0" .. "x"), "fieldName col is not number,type is string\n")
check(T, sqlite_tfieldValue, A(tab, nil), "fieldValue field is not number or string,type is nil\n")
check(T, sqlite_tgetIntField, A(tab, {}), "getIntField field is not number or string,type is table\n")
check(T, sqlite_tgetFloatField, A(tab, true), "getFloatField field is not number or string,type is boolean\n")
check(T, sqlite_tgetStringField, A(tab), "getStringField field is not number or string,type is no value\n")
check(T, sqlite_tfieldIsNull, A(tab, tab), "fieldIsNull field is not number or string,type is userdata\n")
check(T, sqlite_tsetRow, A(tab, "first"), "setRow row is not number,type is string\n")

sqlite_dbcompileStatement(db, "select ?", s)
check(S, sqlite_sQuery, A(s, "q"), "execQuery SqliteQuery is not userdata,type is string\n")
for _, bind in ipairs({ sqlite_sbindString, sqlite_sbindInt, sqlite_sbindFloat, sqlite_sbindBlob, sqlite_sbindNull }) do
  check(S, bind, A(s, "one", 1), "bind param is not number,type is string\n")
end
check(S, sqlite_sbindString, A(s, 1, {}), "bindString Value is not string ,type is table\n")
check(S, sqlite_sbindInt, A(s, 1, "seven"), "bindInt Value is not int ,type is string\n")
check(S, sqlite_sbindFloat, A(s, 1, nil), "bindfloat  Value is not double ,type is nil\n")
check(S, sqlite_sbindBlob, A(s, 1, false), "sqlite_sbindblob Value is not double ,type is boolean\n")

-- Numeric strings pass the string and number checks alike.
t.eq(sqlite_qfieldName(q, "0"), "one", "numeric text index")
local r, msg = sqlite_dbDML(db, 5)
t.eq(msg, 'SQLITE_ERROR[1]: near "5": syntax error', "a number is SQL text")
t.expectReports("numeric arguments", {})

sqlite_qdel(q); sqlite_tdel(tab); sqlite_sfinalize(s); sqlite_sdel(s); sqlite_dbdel(db)
t.expectReports("clean up", {})
