-- The new-task form: what the user typed, checked field by field. check()
-- never corrects: every problem comes back under the name of the field that
-- has it, in the user's words, for the dialog to show beside that field.
local settings = require("velmora.settings")
local settingsPage = require("velmora.settings_page")
local strings = require("velmora.strings")
local tasksModule = require("velmora.tasks")
local trim = require("velmora.text").trim

local M = {}

-- The links, one a line (several on a line, split by blanks, count too);
-- the number of the first line that holds something else.
local function readLinks(text)
  local urls, lineNumber = {}, 0
  for line in (tostring(text or "") .. "\n"):gmatch("([^\n]*)\n") do
    lineNumber = lineNumber + 1
    local found, rejected = tasksModule.parseUrls(line)
    if #rejected > 0 then return nil, string.format(strings.linksBad, lineNumber, rejected[1]) end
    for _, url in ipairs(found) do urls[#urls + 1] = url end
  end
  if #urls == 0 then return nil, strings.linksMissing end
  return urls
end

local function readName(text, linkCount)
  local name = trim(tostring(text or ""))
  if name == "" then return nil end
  if linkCount and linkCount > 1 then return nil, strings.nameForOne end
  if name == "." or name == ".." or name:find("[/%z\1-\31]") then return nil, strings.nameBad end
  return name
end

local function settingProblem(key, typed)
  local value, why, field = settings.check(key, typed)
  if value ~= nil then return value end
  return nil, settingsPage.problemText(why, field)
end

-- "sha256=HEX", "sha256:HEX" or the bare 64 hex digits.
function M.readChecksum(text)
  local value = trim(tostring(text or ""))
  if value == "" then return nil end
  local hex = value:lower():gsub("^sha%-?256[=:]%s*", "")
  if #hex ~= 64 or hex:find("[^0-9a-f]") then return nil, strings.checksumBad end
  return "sha256=" .. hex
end

-- check(fields) -> request, or nil and problems. fields: links, folder,
-- name, connections, speedLimit (KB/s), checksum (texts) and paused.
-- request: { urls, folder, name, paused, options } where options holds what
-- the engine takes per task (connections, limit in bytes/s, checksum).
function M.check(fields)
  local problems, any = {}, false
  local function problem(key, text)
    problems[key], any = text, true
  end
  local urls, why = readLinks(fields.links)
  if not urls then problem("links", why) end
  local folder = trim(tostring(fields.folder or ""))
  if folder == "" then
    problem("folder", strings.folderMissing)
  elseif folder:sub(1, 1) ~= "/" then
    problem("folder", strings.folderRelative)
  end
  local name
  name, why = readName(fields.name, urls and #urls)
  if why then problem("name", why) end
  local options = {}
  if trim(tostring(fields.connections or "")) ~= "" then
    options.connections, why = settingProblem("connections", fields.connections)
    if why then problem("connections", why) end
  end
  if trim(tostring(fields.speedLimit or "")) ~= "" then
    local limit
    limit, why = settingProblem("speedLimit", fields.speedLimit)
    if why then problem("speedLimit", why) elseif limit > 0 then options.limit = limit * 1024 end
  end
  options.checksum, why = M.readChecksum(fields.checksum)
  if why then problem("checksum", why) end
  if any then return nil, problems end
  return { urls = urls, folder = folder, name = name, paused = fields.paused == true, options = options }
end

return M
