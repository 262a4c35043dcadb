-- Every text the default scripts show, from the active language's catalogue
-- (ext/lang/<code>.txt; the host reads it and hands the texts over in the
-- ANSI code page). A dotted key becomes nested tables: "details.file" is
-- strings.details.file. Modules keep references to these tables, so
-- reload() refills the very same tables rather than making new ones.
local format = require("velmora.format")

local M = {}

-- Key families that are not script texts: the catalogue's own name, the
-- host's texts, and the number and date formats (format.lua has those).
local NOT_TEXTS = { meta = true, host = true, format = true }

-- Empties a table of texts, keeping every nested table (and this module's
-- own functions) where it is.
local function empty(t)
  for key, value in pairs(t) do
    if type(value) == "table" then empty(value)
    elseif type(value) == "string" then t[key] = nil end
  end
end

-- put(root, key, text): "a.b.c" -> root.a.b.c = text. A key that would put a
-- text where another key has a table (or the other way round) is left out:
-- no script could read it, and the one already there stays readable.
local function put(root, key, text)
  local node, rest = root, key
  local dot = rest:find(".", 1, true)
  while dot do
    local part = rest:sub(1, dot - 1)
    if node[part] == nil then node[part] = {} end
    if type(node[part]) ~= "table" then return false end
    node, rest = node[part], rest:sub(dot + 1)
    dot = rest:find(".", 1, true)
  end
  if type(node[rest]) == "table" or type(node[rest]) == "function" then return false end
  node[rest] = text
  return true
end

-- Keys that could not be placed at the last reload (see put).
M.misplaced = {}

-- reload(): the texts of the language active now, in the same tables. Call
-- after the host switched languages; format.lua follows along, and reads
-- the catalogue for both.
function M.reload()
  local texts = format.reload()
  empty(M)
  M.misplaced = {}
  -- Sorted, so that which of two clashing keys wins never depends on the
  -- order a table happens to hand them out in.
  local keys = {}
  for key in pairs(texts) do keys[#keys + 1] = key end
  table.sort(keys)
  for _, key in ipairs(keys) do
    local family = key:match("^([^.]*)%.")
    if not NOT_TEXTS[family] and not put(M, key, texts[key]) then M.misplaced[#M.misplaced + 1] = key end
  end
end

-- count(key, n): the text of a top-level key for n things. A catalogue may
-- give a singular form under "<key>:one" (English does; Chinese needs none).
function M.count(key, n)
  return n == 1 and M[key .. ":one"] or M[key]
end

-- counted(key, n): that text with n put in: "Added 1 task".
function M.counted(key, n)
  return string.format(M.count(key, n), n)
end

M.reload()

return M
