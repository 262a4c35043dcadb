-- Compares the bindings .luacheckrc declares with what this interpreter
-- has registered, for the names that begin with one of `prefixes`.
-- problems(rcPath, prefixes) -> array of "NAME is declared but not
-- registered" / "NAME is registered but not declared", sorted.
local M = {}

local function declaredBindings(rcPath)
  local env = { files = {} }
  local chunk = assert(loadfile(rcPath))
  setfenv(chunk, env)
  chunk()
  local declared = {}
  for _, name in ipairs(env.files["ext/velmora/host.lua"].read_globals) do declared[name] = true end
  return declared
end

function M.problems(rcPath, prefixes)
  local function covered(name)
    for _, prefix in ipairs(prefixes) do
      if name:sub(1, #prefix) == prefix then return true end
    end
    return false
  end
  local declared = declaredBindings(rcPath)
  local problems = {}
  for name in pairs(declared) do
    if covered(name) and rawget(_G, name) == nil then problems[#problems + 1] = name .. " is declared but not registered" end
  end
  for name, value in pairs(_G) do
    if (type(value) == "function" or type(value) == "table") and covered(name) and not declared[name] then
      problems[#problems + 1] = name .. " is registered but not declared"
    end
  end
  table.sort(problems)
  return problems
end

return M
