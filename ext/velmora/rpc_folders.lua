-- Which folders a remote caller may save into: the default download folder
-- and everything under it, the folders of the settings and those the
-- command line added. A path is judged by its text: it must be absolute,
-- with no "." or ".." steps, so it cannot climb out of an allowed folder.
local M = {}

-- normalize(path) -> the path without doubled or trailing slashes, or nil
-- and why it is refused.
function M.normalize(path)
  if type(path) ~= "string" or path:sub(1, 1) ~= "/" then return nil, "not an absolute path" end
  if path:find("%z") then return nil, "a path with a NUL byte" end
  local parts = {}
  for part in path:gmatch("[^/]+") do
    if part == "." or part == ".." then return nil, "a path with . or .. steps" end
    parts[#parts + 1] = part
  end
  return "/" .. table.concat(parts, "/")
end

-- split(text) -> the folders of a ":"-separated list, normalized; the
-- entries that are no absolute path are left out.
function M.split(text)
  local out = {}
  for piece in tostring(text or ""):gmatch("[^:]+") do
    local folder = M.normalize(piece)
    if folder then out[#out + 1] = folder end
  end
  return out
end

local function inside(path, folder)
  if folder == "/" then return true end
  return path == folder or path:sub(1, #folder + 1) == folder .. "/"
end

-- allowed(path, folders) -> the normalized path when it lies in one of the
-- folders, else nil and why.
function M.allowed(path, folders)
  local normal, why = M.normalize(path)
  if not normal then return nil, why end
  for _, folder in ipairs(folders) do
    local base = M.normalize(folder)
    if base and inside(normal, base) then return normal end
  end
  return nil, "outside the folders remote control may save into"
end

return M
