-- The main menu (the title bar's menu button, "mainmenu.xml") and the tray
-- icon's menu ("traymenu.xml"). Both open under the menu button's name, so
-- their items arrive as notifications "menu_..." from it; what each item
-- does is here.
local host = require("velmora.host")
local about = require("velmora.about")
local help = require("velmora.help")
local strings = require("velmora.strings")
local app = require("velmora.state")

local M = {}

M.TRAY_MESSAGE = 3010
M.WM_CLOSE = 16
local WM_LBUTTONUP = 0x0202
local WM_RBUTTONUP = 0x0205

local function button(pm) return pm and host.ui_findControl(pm, "menubtn") end

-- open(pm): the main menu under its button; the settings page where menus
-- cannot open.
function M.open(pm)
  local b = button(pm)
  if b and host.has("ui_popupMenu") and host.ui_popupMenu(b, "mainmenu.xml") then return true end
  M.showSettings(pm)
  return false
end

function M.showSettings(pm)
  local tab = host.ui_findControl(pm, "tab_settings")
  if tab then host.ui_setSelected(tab, true) end
end

function M.about(hwnd) return about.show(hwnd) end

-- help(which): "guide" or "scripting", opened by the desktop.
function M.help(which)
  local name = which == "scripting" and help.SCRIPTING or help.GUIDE
  local path, lookedAt = help.find(name)
  if path and host.ui_openUrl(path) then return true end
  app.say(string.format(strings.helpMissing, path or lookedAt))
  return false
end

function M.showWindow(hwnd)
  if hwnd then host.ui_showWindow(hwnd) end
end

-- trayEvent(pm, hwnd, mouseMessage): a click shows the window, the right
-- button opens the tray menu at the mouse.
function M.trayEvent(pm, hwnd, mouseMessage)
  if mouseMessage == WM_LBUTTONUP then
    M.showWindow(hwnd)
  elseif mouseMessage == WM_RBUTTONUP then
    local b = button(pm)
    if b and host.has("ui_popupMenu") then host.ui_popupMenu(b, "traymenu.xml", true) end
  end
end

return M
