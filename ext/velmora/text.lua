-- Text helpers safe on untrusted input: linear in the length of the text
-- (a pattern like "^%s*(.-)%s*$" is quadratic on long runs of blanks).
local M = {}

-- trim(text) -> text without leading and trailing blanks.
function M.trim(text)
  local first = text:find("%S")
  if not first then return "" end
  return text:match(".*%S", first)
end

-- words(text) -> the pieces of text between blanks, in order.
function M.words(text)
  local out = {}
  for word in tostring(text or ""):gmatch("%S+") do out[#out + 1] = word end
  return out
end

return M
