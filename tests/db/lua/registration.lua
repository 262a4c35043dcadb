-- The host carries the whole library as globals, and nothing more under the prefix.
local dir, sourceDir = ...
local t = dofile(sourceDir .. "/tests/db/lua/dbtest.lua")

local names = {
  "sqlite_dbnew", "sqlite_dbdel", "sqlite_dbopen", "sqlite_dbclose", "sqlite_dbquery", "sqlite_dbtableExists",
  "sqlite_dbDML", "sqlite_dbScalar", "sqlite_dbgetTable", "sqlite_dbcompileStatement", "sqlite_dblastRowId",
  "sqlite_dbbeginTransaction", "sqlite_dbcommitTransaction",
  "sqlite_qnew", "sqlite_qdel", "sqlite_qnumFields", "sqlite_qfieldIndex", "sqlite_qfieldName",
  "sqlite_qfieldDeclType", "sqlite_qfieldDataType", "sqlite_qfieldValue", "sqlite_qgetIntField",
  "sqlite_qgetFloatField", "sqlite_qgetStringField", "sqlite_qgetBlobField", "sqlite_qfieldIsNull", "sqlite_qeof",
  "sqlite_qnextRow", "sqlite_qfinalize",
  "sqlite_tnew", "sqlite_tdel", "sqlite_tnumFields", "sqlite_tnumRows", "sqlite_tfieldName", "sqlite_tfieldValue",
  "sqlite_tgetIntField", "sqlite_tgetFloatField", "sqlite_tgetStringField", "sqlite_tfieldIsNull",
  "sqlite_tsetRow", "sqlite_tfinalize",
  "sqlite_snew", "sqlite_sdel", "sqlite_sDML", "sqlite_sQuery", "sqlite_sbindString", "sqlite_sbindInt",
  "sqlite_sbindFloat", "sqlite_sbindBlob", "sqlite_sbindNull", "sqlite_sreset", "sqlite_sfinalize",
}
local expected = {}
for _, name in ipairs(names) do
  t.eq(type(_G[name]), "function", name)
  expected[name] = true
end
local count = 0
for name in pairs(_G) do
  if type(name) == "string" and name:sub(1, 7) == "sqlite_" then
    assert(expected[name], "unexpected global " .. name)
    count = count + 1
  end
end
t.eq(count, 52, "distinct sqlite_ globals")

-- New handles are bare light userdata.
local handles = {}
for _, new in ipairs({ sqlite_dbnew, sqlite_qnew, sqlite_tnew, sqlite_snew }) do
  local handle = new()
  t.eq(type(handle), "userdata", "new handle")
  t.eq(getmetatable(handle), nil, "handles carry no metatable")
  handles[#handles + 1] = handle
end
sqlite_dbdel(handles[1]); sqlite_qdel(handles[2]); sqlite_tdel(handles[3]); sqlite_sdel(handles[4])
