-- The settings page: which control shows which setting. Edits take effect
-- when they lose focus or Enter is pressed; check boxes at once.
local host = require("velmora.host")
local M = {}

M.edits = {
  threadcountedit = "concurrent", speedlimitedit = "speedLimit", connectionsedit = "connections", folderedit = "folder",
}
M.checks = { chk_autostart = "resume", chk_unzip = "extract", chk_notify = "notify", chk_clipboard = "clipboard" }

-- show(pm, values): puts the values into the controls without raising
-- notifications of their own.
function M.show(pm, values)
  for name, key in pairs(M.edits) do
    local c = host.ui_findControl(pm, name)
    if c then host.ui_setText(c, tostring(values[key])) end
  end
  for name, key in pairs(M.checks) do
    local c = host.ui_findControl(pm, name)
    if c then host.ui_setSelected(c, values[key] and true or false, false) end
  end
end

-- change(n) -> key, raw value when the notification edits a setting.
function M.change(n)
  local kind = host.ui_notifyType(n)
  local sender = host.ui_notifySender(n)
  local name = sender and host.ui_getName(sender)
  if not name then return nil end
  if M.checks[name] and kind == "selectchanged" then
    return M.checks[name], host.ui_isSelected(sender)
  end
  if M.edits[name] and (kind == "killfocus" or kind == "return") then
    return M.edits[name], host.ui_getText(sender)
  end
  return nil
end

return M
