-- The about box ("about.xml"): version, licence, and where the task data
-- and the settings live.
local host = require("velmora.host")
local dialog = require("velmora.dialog")
local paths = require("velmora.paths")
local settings = require("velmora.settings")
local storage = require("velmora.storage")
local strings = require("velmora.strings")

local M = {}

local shown = paths.shown

function M.text()
  local version = host.has("ui_productVersion") and host.ui_productVersion() or "?"
  return string.format(strings.aboutText, version, strings.licence, shown(storage.path()),
    shown(settings.path()))
end

-- show(hwnd) -> true when the box was shown; otherwise the text went to a
-- message box.
function M.show(hwnd)
  local result = dialog.run(hwnd, "about.xml", {
    open = function(form) form:setText("about_text", M.text()) end,
    click = { okbtn = function(form) form:finish(dialog.OK) end },
  })
  if result then return true end
  host.ui_messageBox(hwnd, M.text(), false)
  return false
end

return M
