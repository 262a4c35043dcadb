-- Asks once what to do with links that are already there ("duplicate.xml"):
-- open the existing one, download again under a new name, replace it, or
-- skip; "do this every time" keeps the answer in the settings.
local dialog = require("velmora.dialog")
local strings = require("velmora.strings")
local paths = require("velmora.paths")

local M = {}

local function describe(found)
  local first = found[1]
  local text
  if first.task then
    text = string.format(strings.duplicateInList, first.url)
  else
    text = string.format(strings.duplicateOnDisk, paths.ansi(first.file) or first.file)
  end
  if #found > 1 then text = text .. "\n" .. strings.counted("duplicateMore", #found - 1) end
  return text
end

-- ask(hwnd, found) -> the choice ("open", "rename", "replace", "skip") and
-- whether to keep it; "skip" when the dialog is closed or cannot open.
function M.ask(hwnd, found)
  local choice, remember = "skip", false
  local function pick(name)
    return function(form)
      choice, remember = name, form:checked("chk_remember")
      form:finish(dialog.OK)
    end
  end
  local result = dialog.run(hwnd, "duplicate.xml", {
    open = function(form) form:setText("dup_text", describe(found)) end,
    click = {
      dup_open = pick("open"), dup_rename = pick("rename"), dup_replace = pick("replace"), dup_skip = pick("skip"),
    },
  })
  if result ~= dialog.OK then return "skip", false end
  return choice, remember
end

return M
