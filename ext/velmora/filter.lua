-- The search field: a task matches when every word typed appears in its
-- name or URL, ignoring case. Words are matched as plain text, so "." or
-- "%" in a query mean themselves.
local M = {}

function M.words(query)
  local out = {}
  for word in tostring(query or ""):lower():gmatch("%S+") do out[#out + 1] = word end
  return out
end

function M.matches(task, words)
  if #words == 0 then return true end
  local haystack = (tostring(task.name or "") .. "\n" .. tostring(task.url or "")):lower()
  for _, word in ipairs(words) do
    if not haystack:find(word, 1, true) then return false end
  end
  return true
end

return M
