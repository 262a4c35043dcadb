-- A few helpers for the script tests: the shipped ext/ on package.path, a
-- scratch folder per test program, and named cases that report every
-- failure before the program fails.
local M = {}

package.path = curpath .. scriptPath .. "?.lua;" .. package.path

local failures, cases = 0, 0

local function describe(value)
  if type(value) == "string" then return string.format("%q", value) end
  return tostring(value)
end

function M.eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what or "value", describe(expected), describe(actual)), 2)
  end
end

function M.ok(condition, what)
  if not condition then error((what or "condition") .. " does not hold", 2) end
end

function M.case(name, fn)
  cases = cases + 1
  local ok, message = xpcall(fn, debug.traceback)
  if not ok then
    failures = failures + 1
    io.stderr:write("FAILED ", name, ": ", tostring(message), "\n")
  else
    io.write("ok ", name, "\n")
  end
end

function M.finish()
  io.write(string.format("%d cases, %d failed\n", cases, failures))
  if failures > 0 then error(failures .. " case(s) failed", 0) end
end

-- scratch() -> an empty folder for this program (the first argument).
function M.scratch(name)
  local base = (startparam[3] or os.tmpname() .. ".d") .. "/" .. (name or "scratch")
  local quoted = "'" .. base:gsub("'", "'\\''") .. "'"
  os.execute("rm -rf " .. quoted .. " && mkdir -p " .. quoted)
  return base
end

function M.writeFile(path, bytes)
  local f = assert(io.open(path, "wb"))
  f:write(bytes)
  f:close()
end

function M.readFile(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local bytes = f:read("*a")
  f:close()
  return bytes
end

function M.exists(path) return M.readFile(path) ~= nil end

-- files(dir) -> the names in a folder.
function M.files(dir)
  local out = {}
  local pipe = io.popen("ls -A '" .. dir:gsub("'", "'\\''") .. "'")
  for line in pipe:lines() do out[#out + 1] = line end
  pipe:close()
  return out
end

function M.clock() return os.clock() end

return M
