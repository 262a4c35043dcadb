-- Links that are already there: a task in the list with the same link, or
-- the file the link would be saved as already on disk. find() lists them;
-- the caller asks once for the whole batch (or takes the choice kept in the
-- settings) and apply() says what each link then becomes.
local paths = require("velmora.paths")

local M = {}

-- The choices, in the order the dialog offers them.
M.CHOICES = { "open", "rename", "replace", "skip" }

-- find(urls, folder, name, tasks, probe) -> array of { url, task } or
-- { url, file }. probe.suggestName(url, name) names the file a link becomes,
-- probe.exists(path) says whether a file is there.
function M.find(urls, folder, name, tasks, probe)
  local byUrl = {}
  for _, task in ipairs(tasks) do
    if not byUrl[task.url] then byUrl[task.url] = task end
  end
  local found = {}
  for _, url in ipairs(urls) do
    if byUrl[url] then
      found[#found + 1] = { url = url, task = byUrl[url] }
    else
      local fileName = probe.suggestName(url, name)
      local file = type(fileName) == "string" and fileName ~= "" and paths.join(folder, fileName)
      if file and probe.exists(file) then found[#found + 1] = { url = url, file = file } end
    end
  end
  return found
end

-- apply(urls, found, choice) -> the links to add, and the duplicates to
-- act on ("open": show the existing one; "replace": remove it first). Links
-- that are no duplicate are always added; "rename" adds the duplicates too,
-- and the engine gives their files a new name.
function M.apply(urls, found, choice)
  local dup = {}
  for _, entry in ipairs(found) do dup[entry.url] = entry end
  local add, act = {}, {}
  for _, url in ipairs(urls) do
    local entry = dup[url]
    if not entry or choice == "rename" or choice == "replace" then add[#add + 1] = url end
    if entry and (choice == "open" or choice == "replace") then act[#act + 1] = entry end
  end
  return add, act
end

return M
