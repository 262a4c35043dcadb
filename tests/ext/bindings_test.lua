-- The bindings .luacheckrc declares are the ones the host registers. The
-- window's own (ui_*, desktop_*, inputDlg) need a window; the libraries
-- every interpreter carries are checked both ways here.
local rcPath = startparam[3]
local env = { files = {} }
local chunk = assert(loadfile(rcPath))
setfenv(chunk, env)
chunk()
local declared = {}
for _, name in ipairs(env.files["ext/velmora/host.lua"].read_globals) do declared[name] = true end

local LIBRARY_PREFIXES = { "dl_", "sqlite_", "xml_", "zip_", "fs_", "http_" }
local function isLibraryName(name)
  for _, prefix in ipairs(LIBRARY_PREFIXES) do
    if name:sub(1, #prefix) == prefix then return true end
  end
  return false
end

local problems = {}
for name in pairs(declared) do
  if isLibraryName(name) and type(_G[name]) ~= "function" then
    problems[#problems + 1] = name .. " is declared but not registered"
  end
end
for name, value in pairs(_G) do
  if type(value) == "function" and isLibraryName(name) and not declared[name] then
    problems[#problems + 1] = name .. " is registered but not declared"
  end
end
table.sort(problems)
if #problems > 0 then error(table.concat(problems, "\n"), 0) end
print("ok: every library binding declared")
