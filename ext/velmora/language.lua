-- The language the window speaks: the catalogues the host found, the one
-- active now, and switching to another, by its code or by its own name.
local host = require("velmora.host")
local strings = require("velmora.strings")
local text = require("velmora.text")

local M = {}

-- list() -> { { code = "en", name = "English" }, ... } sorted by code.
function M.list()
  local found = host.has("lang_list") and host.lang_list()
  return type(found) == "table" and found or {}
end

-- current() -> the active code ("zh_CN"); "" from a host without catalogues.
function M.current()
  return host.has("lang_current") and host.lang_current() or ""
end

-- nameOf(code [, list]) -> the language's own name, or the code itself.
function M.nameOf(code, list)
  for _, entry in ipairs(list or M.list()) do
    if entry.code == code then return entry.name end
  end
  return code
end

-- find(list, typed) -> the code the user means: a code or a name, in any
-- case of its ASCII letters, blanks around it ignored; nil for none.
function M.find(list, typed)
  local wanted = text.trim(tostring(typed or "")):lower()
  if wanted == "" then return nil end
  for _, entry in ipairs(list) do
    if entry.code:lower() == wanted or tostring(entry.name):lower() == wanted then return entry.code end
  end
  return nil
end

-- choices(list) -> "简体中文 (zh_CN)、English (en)" for the settings page.
function M.choices(list)
  local shown = {}
  for _, entry in ipairs(list) do shown[#shown + 1] = string.format(strings.languageEntry, entry.name, entry.code) end
  return string.format(strings.languageChoices, table.concat(shown, strings.languageJoin))
end

-- choose(typed) -> the code now active, or nil and the problem to show.
-- The host keeps the choice for the next start; the scripts' texts follow
-- at once.
function M.choose(typed)
  local list = M.list()
  local code = M.find(list, typed)
  if not code then return nil, string.format(strings.languageUnknown, tostring(typed or "")) end
  if not host.has("lang_set") then return nil, string.format(strings.languageFailed, "lang_set") end
  local ok, message = host.lang_set(code)
  if not ok then return nil, string.format(strings.languageFailed, tostring(message)) end
  strings.reload()
  return code
end

return M
