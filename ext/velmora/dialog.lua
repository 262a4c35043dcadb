-- Modal dialogs of the product's own, built from a skin layout by the host
-- (ui_runDialog). run() drives one: `open` fills the controls, `click[name]`
-- answers a button, `notify` sees every other notification; each gets a
-- form that reads and writes the controls by name and ends the dialog. The
-- dialog ends with the result given to finish() (2 when the user cancels
-- with Escape or the close button).
local host = require("velmora.host")

local M = {}

M.OK = 1
M.CANCELLED = 2

local Form = {}
Form.__index = Form

function Form:control(name) return host.ui_findControl(self.pm, name) end

function Form:text(name)
  local c = self:control(name)
  return c and host.ui_getText(c) or ""
end

function Form:setText(name, text)
  local c = self:control(name)
  if c then host.ui_setText(c, tostring(text or "")) end
end

function Form:checked(name)
  local c = self:control(name)
  return c ~= nil and host.ui_isSelected(c) == true
end

function Form:setChecked(name, on)
  local c = self:control(name)
  if c then host.ui_setSelected(c, on and true or false, false) end
end

function Form:setEnabled(name, on)
  local c = self:control(name)
  if c then host.ui_setEnabled(c, on and true or false) end
end

function Form:setVisible(name, on)
  local c = self:control(name)
  if c then host.ui_setVisible(c, on and true or false) end
end

-- showProblems(problems, keys): each key's "<key>_err" label shows its
-- problem, or nothing.
function Form:showProblems(problems, keys)
  for _, key in ipairs(keys) do self:setText(key .. "_err", problems and problems[key] or "") end
end

function Form:finish(result) host.ui_endDialog(self.dialog, result) end

function M.available() return host.has("ui_runDialog") end

-- run(hwnd, layout, handlers) -> the result it ended with, or nil and a message.
function M.run(hwnd, layout, handlers)
  if not M.available() then return nil, "dialogs are not available in this build" end
  local form
  return host.ui_runDialog(hwnd, layout, function(n, dialog)
    if not form then form = setmetatable({ dialog = dialog, pm = host.ui_dialogManager(dialog) }, Form) end
    if n == nil then
      if handlers.open then handlers.open(form) end
      return
    end
    local kind, sender = host.ui_notifyType(n), host.ui_notifySender(n)
    local name = sender and host.ui_getName(sender)
    if kind == "click" and handlers.click and handlers.click[name] then
      handlers.click[name](form)
    elseif handlers.notify then
      handlers.notify(form, kind, name)
    end
  end)
end

return M
