-- A file name for a task before the server has named it: the last path
-- segment of the URL, percent-decoded, reduced to a base name with the
-- characters a file system refuses replaced. The engine decides the final
-- name from the server's answer; this one is what the list shows until then
-- and what a task without any usable segment is called.
local M = {}

M.fallback = "download"

local function percentDecode(text)
  return (text:gsub("%%(%x%x)", function(hex) return string.char(tonumber(hex, 16)) end))
end

-- clean(name) -> a name safe as one path component, or the fallback.
function M.clean(name)
  name = tostring(name or "")
  name = name:gsub("[%z\1-\31\127/\\]", "_")
  name = name:gsub("^%s+", ""):gsub("%s+$", "")
  if name == "" or name == "." or name == ".." then return M.fallback end
  if #name > 200 then
    local ext = name:match("(%.[%w]+)$") or ""
    if #ext > 16 then ext = "" end
    name = name:sub(1, 200 - #ext) .. ext
  end
  return name
end

-- fromUrl(url) -> a file name derived from the URL's path.
function M.fromUrl(url)
  url = tostring(url or "")
  local path = url:gsub("#.*$", ""):gsub("%?.*$", "")
  path = path:gsub("^%a[%w+.-]*://[^/]*", "")
  local last = path:match("([^/]+)/*$")
  if not last then return M.fallback end
  return M.clean(percentDecode(last))
end

return M
