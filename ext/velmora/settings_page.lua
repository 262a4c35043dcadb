-- The settings page: which control shows which setting. Edits take effect
-- when they lose focus or Enter is pressed; check boxes at once. A value
-- that cannot be taken stays in its field as typed, with the problem in the
-- label "<edit>_err" beside it, until it is corrected.
local host = require("velmora.host")
local strings = require("velmora.strings")
local language = require("velmora.language")
local M = {}

M.edits = {
  threadcountedit = "concurrent", speedlimitedit = "speedLimit", connectionsedit = "connections", folderedit = "folder",
  cat_videoedit = "catVideo", cat_audioedit = "catAudio", cat_archivesedit = "catArchives",
  cat_documentsedit = "catDocuments", cat_programsedit = "catPrograms",
  schedstartedit = "scheduleStart", schedstopedit = "scheduleStop", scheddaysedit = "scheduleDays",
  limitfromedit = "limitFrom", limittoedit = "limitTo", windowlimitedit = "windowLimit",
  donecommandedit = "doneCommand",
}
-- Option buttons of one group: the setting and the value each stands for.
M.options = {
  opt_done_nothing = { "whenDone", "nothing" }, opt_done_quit = { "whenDone", "quit" },
  opt_done_command = { "whenDone", "command" },
}
M.checks = {
  chk_autostart = "resume", chk_unzip = "extract", chk_notify = "notify", chk_clipboard = "clipboard",
  chk_tray = "closeToTray", chk_categories = "categories",
}

-- The language's field: not a setting of the settings file, the host keeps
-- the choice.
M.LANGUAGE_EDIT = "languageedit"

local function setText(pm, name, text)
  local c = host.ui_findControl(pm, name)
  if c then host.ui_setText(c, text) end
end

-- show(pm, values [, problems]): puts the values into the controls without
-- raising notifications of their own; a field with a problem keeps what
-- was typed and shows the problem.
function M.show(pm, values, problems)
  problems = problems or {}
  for name, key in pairs(M.edits) do
    if not problems[key] then setText(pm, name, tostring(values[key])) end
    setText(pm, name .. "_err", problems[key] or "")
  end
  for name, key in pairs(M.checks) do
    local c = host.ui_findControl(pm, name)
    if c then host.ui_setSelected(c, values[key] and true or false, false) end
  end
  for name, pair in pairs(M.options) do
    local c = host.ui_findControl(pm, name)
    if c and values[pair[1]] == pair[2] then host.ui_setSelected(c, true, false) end
  end
  local choice = values.duplicateAction or "ask"
  setText(pm, "dupchoice", string.format(strings.duplicateSetting, strings.duplicateChoices[choice] or choice))
  local reset = host.ui_findControl(pm, "dupreset")
  if reset then host.ui_setVisible(reset, choice ~= "ask") end
end

-- problemText(why, field) -> what the user reads beside the field.
function M.problemText(why, field, detail)
  if why == "range" then return string.format(strings.settingRange, field.min, field.max) end
  if why == "relative" then return strings.folderRelative end
  if why == "time" then return strings.settingTime end
  if why == "days" then return strings.settingDays end
  if why == "folder" then return string.format(strings.folderCannotMake, tostring(detail)) end
  if why == "extensions" then return strings.extensionsBad end
  return strings.settingNotNumber
end

-- showTarget(pm, folder): the folder the next task really goes to.
function M.showTarget(pm, folder)
  setText(pm, "foldernext", string.format(strings.nextFolder, tostring(folder or "")))
end

-- showLanguage(pm, current, list [, problem, typed]): the active language
-- by its own name and the ones there are; a choice that could not be
-- taken stays as typed, with the problem beside it.
function M.showLanguage(pm, current, list, problem, typed)
  setText(pm, M.LANGUAGE_EDIT, problem and tostring(typed or "") or language.nameOf(current, list))
  setText(pm, M.LANGUAGE_EDIT .. "_err", problem or "")
  setText(pm, "languagechoices", language.choices(list))
  setText(pm, "languagelabel", strings.settings.language)
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
  if M.options[name] and kind == "selectchanged" then
    -- Choosing one option clears the others; only the chosen one counts.
    if not host.ui_isSelected(sender) then return nil end
    return M.options[name][1], M.options[name][2]
  end
  if M.edits[name] and (kind == "killfocus" or kind == "return") then
    return M.edits[name], host.ui_getText(sender)
  end
  if name == M.LANGUAGE_EDIT and (kind == "killfocus" or kind == "return") then
    return "language", host.ui_getText(sender)
  end
  return nil
end

return M
