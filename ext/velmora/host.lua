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

local function nothing() end

-- get(name) -> what the host registered under name, or nil. Without a
-- window (the headless host sets `headless`) every ui_* call does nothing.
function M.get(name)
  local value = injected[name]
  if value ~= nil then return value end
  value = rawget(_G, name)
  if value == nil and rawget(_G, "headless") ~= nil and name:sub(1, 3) == "ui_" then return nothing end
  return value
end

-- has(name) -> true when the host offers the function name.
function M.has(name) return type(M.get(name)) == "function" end

-- publish(name, value) sets a global the host reads (DownloadThreadCount,
-- freeThreadCount, UnzipCount, BookCoverPath).
function M.publish(name, value) rawset(_G, name, value) end

return setmetatable(M, { __index = function(_, name) return M.get(name) end })
