-- A file name for a task before the server has named it: the last path
-- segment of the URL, percent-decoded, reduced to a base name with the
-- characters a file system refuses replaced. The engine decides the final
-- name from the server's answer; this one is what the list shows until then
-- and what a task without any usable segment is called.
local trim = require("velmora.text").trim

local M = {}

M.fallback = "download"

local function percentDecode(text)
  return (text:gsub("%%(%x%x)", function(hex) return string.char(tonumber(hex, 16)) end))
end

-- clean(name) -> a name safe as one path component, or the fallback.
function M.clean(name)
  name = tostring(name or "")
  name = name:gsub("[%z\1-\31\127/\\]", "_")
  name = trim(name)
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
  -- The last non-empty segment, found by walking back (linear on any input).
  local stop = #path
  while stop > 0 and path:byte(stop) == 47 do stop = stop - 1 end
  local start = stop
  while start > 0 and path:byte(start) ~= 47 do start = start - 1 end
  local last = path:sub(start + 1, stop)
  if last == "" then return M.fallback end
  return M.clean(percentDecode(last))
end

return M
