-- The one door to the host. Every function and table the host gives the
-- scripts (ui_*, dl_*, sqlite_*, xml_*, zip_*, fs_*, desktop_*, inputDlg,
-- startparam) is reached as host.<name>, looked up when used, so a binding
-- a build lacks is found missing by has() instead of by an error, and the
-- tests can stand in for any of them with use(). No other module reads the
-- host's globals.
local M = {}

local injected = {}

-- use({ name = value, ... }) stands in for host globals; use(nil) drops
-- every stand-in.
function M.use(fakes) injected = fakes or {} end

-- get(name) -> what the host registered under name, or nil.
function M.get(name)
  local value = injected[name]
  if value ~= nil then return value end
  return rawget(_G, name)
end

-- has(name) -> true when the host offers the function name.
function M.has(name) return type(M.get(name)) == "function" end

-- publish(name, value) sets a global the host reads (DownloadThreadCount,
-- freeThreadCount, UnzipCount, BookCoverPath).
function M.publish(name, value) rawset(_G, name, value) end

return setmetatable(M, { __index = function(_, name) return M.get(name) end })
