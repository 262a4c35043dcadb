-- Where the user guide and the scripting documentation are: installed with
-- the package under share/doc/velmora, or in docs/ of a source tree when
-- the program runs from its build folder.
local host = require("velmora.host")

local M = {}

M.GUIDE = "user-guide.md"
M.SCRIPTING = "scripting.md"

-- candidates(programDir, name) -> the places to look, most likely first.
function M.candidates(programDir, name)
  local dir = programDir or "."
  return {
    dir .. "/../../share/doc/velmora/" .. name,
    dir .. "/docs/" .. name,
    dir .. "/../../docs/" .. name,
    dir .. "/../docs/" .. name,
  }
end

-- find(name [, exists]) -> the path of the document, or nil and the first
-- place it was looked for.
function M.find(name, exists)
  exists = exists or function(path) return host.fs_exists(path) == true end
  local places = M.candidates(host.curpath, name)
  for _, path in ipairs(places) do
    if exists(path) then return path end
  end
  return nil, places[1]
end

return M
