-- Shared by the database library scripts: assertions and report capture.
local M = {}

function M.eq(actual, expected, what)
  if actual ~= expected then
    error(string.format("%s: expected %s, got %s", what or "value", tostring(expected), tostring(actual)), 2)
  end
end

-- Asserts a call returned exactly the given values (nil-aware).
function M.results(what, expected, ...)
  local n = select("#", ...)
  M.eq(n, expected.n or #expected, what .. " result count")
  for i = 1, n do
    M.eq((select(i, ...)), expected[i], what .. " result " .. i)
  end
end

-- The reports since the last call, with line numbers replaced by N.
function M.reports()
  local out = {}
  for i, report in ipairs(test_reports()) do
    out[i] = (report:gsub("^(%(error%) %([%w_]+):%d+%)", "%1:N)"))
  end
  return out
end

function M.expectReports(what, expected)
  local got = M.reports()
  M.eq(#got, #expected, what .. " report count (" .. table.concat(got, "|") .. ")")
  for i = 1, #expected do M.eq(got[i], expected[i], what .. " report " .. i) end
end

function M.noResults(what, ...)
  M.eq(select("#", ...), 0, what .. " result count")
end

-- Runs `f` protected; returns its error message (fails when it did not raise).
function M.raises(what, f, ...)
  local ok, message = pcall(f, ...)
  if ok then error(what .. ": expected a Lua error", 2) end
  return message
end

return M
