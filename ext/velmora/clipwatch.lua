-- Clipboard watching: a copied http/https link to a file offers itself once.
-- The watcher remembers every URL it has offered, so the same link is never
-- offered twice, even after it was declined. A link already in the list is
-- offered too, saying so: ignoring it would leave the user wondering.
local trim = require("velmora.text").trim

local M = {}
M.__index = M

local MAX_LENGTH = 4096

function M.new(isKnown)
  return setmetatable({ offered = {}, last = nil, isKnown = isKnown }, M)
end

-- A link "to a file" has a path whose last segment carries an extension.
function M.looksLikeFileLink(text)
  if type(text) ~= "string" or #text > MAX_LENGTH then return false end
  local url = trim(text)
  if url == "" or url:find("%s") then return false end
  local scheme, rest = url:match("^(%a+)://([^/]+/.*)$")
  if not scheme then return false end
  scheme = scheme:lower()
  if scheme ~= "http" and scheme ~= "https" then return false end
  local path = rest:gsub("[?#].*$", "")
  return path:match("/[^/]+%.[%w]+$") ~= nil, url
end

-- check(clipboardText) -> the URL to offer and whether the list has it
-- already, or nil. Unchanged clipboard text is ignored without further
-- work, so this is cheap once a second.
function M:check(text)
  if text == nil or text == self.last then return nil end
  self.last = text
  local ok, url = M.looksLikeFileLink(text)
  if not ok or self.offered[url] then return nil end
  self.offered[url] = true
  return url, (self.isKnown and self.isKnown(url)) and true or false
end

-- prime(text): what is on the clipboard when watching starts is never
-- offered.
function M:prime(text)
  self:check(text)
end

return M
