-- What the user's commands do: adding links (typed, handed over, copied),
-- and starting, pausing, deleting and opening the selected tasks.
local host = require("velmora.host")
local paths = require("velmora.paths")
local json = require("velmora.json")
local links = require("velmora.links")
local engine = require("velmora.engine")
local tasksModule = require("velmora.tasks")
local adapter = require("velmora.ui_adapter")
local strings = require("velmora.strings")
local settingsStore = require("velmora.settings")
local settingsPage = require("velmora.settings_page")
local duplicates = require("velmora.duplicates")
local duplicatePrompt = require("velmora.duplicate_prompt")
local newtaskDialog = require("velmora.newtask_dialog")
local app = require("velmora.state")

local M = {}

local say = app.say

-- The folder new tasks go to (ANSI text, as the engine takes it): the
-- selected save location, else the default folder of the settings, else
-- the host's save path, else the desktop's download folder.
function M.targetFolder()
  local list = app.pm and host.ui_findControl(app.pm, "sellist")
  local row = list and host.ui_listGetSel(list)
  local location = type(row) == "number" and app.locations[row + 1]
  if location and location.path ~= "" then return location.path end
  if app.settings and app.settings.folder ~= "" then return app.settings.folder end
  if app.hostSavePath and app.hostSavePath ~= "" then return app.hostSavePath end
  return paths.ansi(paths.downloadDir())
end

-- openPath(path, failure) -> true when the desktop opened it; otherwise
-- the user is told, with `failure` (a format taking the path).
function M.openPath(path, failure)
  if type(path) == "string" and path ~= "" and host.ui_openUrl(path) then return true end
  say(string.format(failure or strings.openFailed, tostring(path)))
  return false
end

local function openExisting(entry)
  local task = entry.task
  if not task then return M.openPath(entry.file) end
  if task.state == "done" and task.file ~= "" then return M.openPath(task.file) end
  return M.openPath(task.folder, strings.openFolderFailed)
end

-- Takes the existing task (with its file) or file out of the way; false,
-- told to the user, when it cannot be.
local function removeExisting(entry)
  local ok, message
  if entry.task then
    ok, message = app.tasks:delete({ entry.task.id }, true)
  else
    ok, message = os.remove(paths.native(entry.file) or entry.file)
  end
  if not ok then say(string.format(strings.deleteFailed, tostring(message))) end
  return ok and true or false
end

local function rememberChoice(choice)
  app.settings.duplicateAction = choice
  local ok, message = settingsStore.save(app.settings)
  if not ok then say(string.format(strings.settingsFailed, tostring(message))) end
  if app.pm then settingsPage.show(app.pm, app.settings) end
end

-- An answer to the duplicate question; anything else ("ask") asks.
local KNOWN_CHOICES = {}
for _, choice in ipairs(duplicates.CHOICES) do KNOWN_CHOICES[choice] = true end

-- The entries of `urls` that would meet a file or task already there.
local function findDuplicates(urls, folder, name)
  return duplicates.find(urls, folder, name, app.tasks:all(), {
    suggestName = function(url, given) return engine.suggestName(url, given) end,
    exists = function(path) return host.fs_exists(path) == true end,
  })
end

-- The links of `urls` to add once duplicates are dealt with: asked once for
-- the batch unless the settings keep an answer or the caller has one.
function M.resolveDuplicates(urls, folder, name, choice)
  local found = findDuplicates(urls, folder, name)
  if #found == 0 then return urls end
  choice = choice or app.settings.duplicateAction
  if not KNOWN_CHOICES[choice] then
    local remember
    choice, remember = duplicatePrompt.ask(app.hwnd, found)
    if remember then rememberChoice(choice) end
  end
  local add, act = duplicates.apply(urls, found, choice)
  local dropped = {}
  for _, entry in ipairs(act) do
    if choice == "open" then
      openExisting(entry)
    elseif not removeExisting(entry) then
      dropped[entry.url] = true
    end
  end
  local kept = {}
  for _, url in ipairs(add) do
    if not dropped[url] then kept[#kept + 1] = url end
  end
  if choice == "skip" then say(strings.counted("skipped", #found)) end
  return kept
end

-- addUrls(urls [, extra [, folder [, choice]]]) -> the added tasks, or nil
-- when none was added (the user is told why). `choice` answers the
-- duplicate question in advance.
function M.addUrls(urls, extra, folder, choice)
  if #urls == 0 then return nil end
  local why, made
  folder = folder or M.targetFolder()
  if folder then made, why = host.fs_makeDirs(folder) end
  if not made then
    say(string.format(strings.folderCannotMake, tostring(why)))
    return nil
  end
  urls = M.resolveDuplicates(urls, folder, extra and extra.name, choice)
  if #urls == 0 then return nil end
  local added, message = app.tasks:add(urls, folder, extra)
  if not added then
    say(message)
    return nil
  end
  app.publishCounts()
  return added
end

function M.addFromText(text)
  local urls, rejected = tasksModule.parseUrls(text)
  if #urls == 0 then
    say(strings.noLinks)
    return
  end
  local added = M.addUrls(urls)
  if not added then return end
  local report = strings.counted("added", #added)
  if #rejected > 0 then report = report .. strings.counted("rejected", #rejected) end
  if not engine.available() then report = report .. " (" .. strings.engineMissing .. ")" end
  say(report)
end

-- The new-task dialog; what it confirms is added like any other links.
function M.askForUrls()
  if not app.hwnd then return end
  local request, message = newtaskDialog.ask(app.hwnd, {
    folder = M.targetFolder(), connections = tostring(app.settings.connections),
  })
  if not request then
    if message then say(message) end
    return
  end
  local extra = { name = request.name, paused = request.paused, options = request.options }
  local added = M.addUrls(request.urls, extra, request.folder)
  if added then say(strings.counted("added", #added)) end
end

-- The list on the page shown; none on the settings page, so a key pressed
-- there never acts on tasks the user cannot see.
function M.currentList()
  local tab = host.ui_findControl(app.pm, "maintab")
  local page = tab and host.ui_getCurSel(tab)
  if page == 1 then return app.view.finished end
  if page == 2 then return nil end
  return app.view.active
end

function M.startSelected(list)
  app.tasks:start(app.view:selectedIds(list or app.view.active))
  app.publishCounts()
end

-- moveSelected(where [, list]): "up", "down", "top" or "bottom" in the queue.
function M.moveSelected(where, list)
  local ids = app.view:selectedIds(list or app.view.active)
  if #ids == 0 then return end
  local ok, message = app.tasks:move(ids, where)
  if not ok then say(string.format(strings.queueMoveFailed, tostring(message))) end
end

-- startNextSelected([list]): the selected tasks take the next free slots.
function M.startNextSelected(list)
  app.tasks:start(app.view:selectedIds(list or app.view.active), true)
  app.publishCounts()
end

function M.pauseSelected(list)
  app.tasks:pause(app.view:selectedIds(list or app.view.active))
  app.publishCounts()
end

function M.deleteSelected(list)
  local ids = app.view:selectedIds(list or M.currentList())
  if #ids == 0 then return end
  -- One question for the whole selection; files stay unless ticked.
  local question = strings.counted("confirmDeleteAsk", #ids)
  local confirmed, deleteFiles = adapter.confirmDelete(app.hwnd, question, strings.alsoDeleteFiles)
  if not confirmed then return end
  local ok, message = app.tasks:delete(ids, deleteFiles)
  if not ok then say(string.format(strings.deleteFailed, tostring(message))) end
  app.publishCounts()
end

function M.openFolderOfSelected(list)
  local ids = app.view:selectedIds(list or M.currentList())
  local task = ids[1] and app.tasks:get(ids[1])
  local folder = task and task.folder or M.targetFolder()
  if not folder then return end
  local made, why = host.fs_makeDirs(folder)
  if not made then
    say(string.format(strings.folderCannotMake, tostring(why)))
    return
  end
  M.openPath(folder, strings.openFolderFailed)
end

-- The links of the selected tasks on the clipboard, one a line.
function M.copyUrlsOfSelected(list)
  local urls = {}
  for _, id in ipairs(app.view:selectedIds(list or M.currentList())) do
    local task = app.tasks:get(id)
    if task then urls[#urls + 1] = task.url end
  end
  if #urls > 0 then host.ui_setClipboardText(table.concat(urls, "\n")) end
  return #urls
end

function M.openFileOfSelected(list)
  local ids = app.view:selectedIds(list)
  local task = ids[1] and app.tasks:get(ids[1])
  if not task then return end
  if task.file == "" or task.state ~= "done" then
    say(string.format(strings.notDownloadedYet, task.name))
    return
  end
  M.openPath(task.file)
end

-- Finished tasks leave the list; their files stay where they are.
function M.clearFinished()
  local ids = {}
  for _, task in ipairs(app.tasks:all()) do
    if task.state == "done" then ids[#ids + 1] = task.id end
  end
  if #ids == 0 then return 0 end
  local ok, message = app.tasks:delete(ids, false)
  if not ok then
    say(string.format(strings.deleteFailed, tostring(message)))
    return nil
  end
  say(strings.counted("clearedFinished", #ids))
  app.publishCounts()
  return #ids
end

-- Double click in the running list: start what stands, pause what runs.
function M.toggleSelected(list)
  local ids = app.view:selectedIds(list)
  local task = ids[1] and app.tasks:get(ids[1])
  if not task then return end
  if task.state == "running" or task.state == "queued" then M.pauseSelected(list) else M.startSelected(list) end
end

-- setSaveLocations(text [, keepRow]): the host's list of save locations;
-- keepRow keeps the chosen one chosen (the same list again in new words).
function M.setSaveLocations(text, keepRow)
  app.locationText = text
  local list = json.decode(text)
  app.locations = {}
  local control = app.pm and host.ui_findControl(app.pm, "sellist")
  local row = keepRow and control and host.ui_listGetSel(control)
  if control then host.ui_listClear(control) end
  if type(list) ~= "table" then return end
  for _, entry in ipairs(list) do
    if type(entry) == "table" and type(entry.name) == "string" then
      local path = type(entry.szPath) == "string" and entry.szPath or ""
      -- A drive root holds the download folder; other entries are folders.
      if path:match("/$") then path = path .. strings.saveFolder end
      local name = path == "" and strings.computer or entry.name
      app.locations[#app.locations + 1] = { name = name, path = path }
      if control then host.ui_treeAddNode(control, name) end
    end
  end
  if control and #app.locations > 0 then
    host.ui_listSelect(control, type(row) == "number" and row >= 0 and row < #app.locations and row or 0, false)
  end
end

function M.setHostSavePath(path)
  if type(path) == "string" and path ~= "" then app.hostSavePath = path:gsub("\\", "/") end
end

-- A question (continue a task? what about this duplicate?) is not asked
-- while the sender of a hand-over waits for its answer: such hand-overs are
-- kept for the next tick (handPending).
local pending = {}

local function asksFirst(link, urls)
  if #urls == 1 and M.unfinishedTwin(link.name or engine.suggestName(urls[1], nil), link.fileSize) then return true end
  if app.settings.duplicateAction ~= "ask" then return false end
  local found = findDuplicates(urls, M.targetFolder() or "", #urls == 1 and link.name or nil)
  return #found > 0
end

-- handPending(): the hand-overs kept for a question, in the order they came.
function M.handPending()
  local waiting = pending
  pending = {}
  for _, work in ipairs(waiting) do work() end
end

function M.handOver(text, now)
  local link, message = links.parse(text)
  if not link then
    say(string.format(strings.badHandover, tostring(message)))
    return
  end
  -- A second start hands over its arguments joined by blanks: several URLs.
  local urls = tasksModule.parseUrls(link.url)
  if #urls == 0 then
    say(string.format(strings.badHandover, link.url))
    return
  end
  if not app.started then return end
  if not now and asksFirst(link, urls) then
    pending[#pending + 1] = function() M.handOver(text, true) end
    return
  end
  if #urls == 1 and M.offerToContinue(link, urls[1]) then return end
  local extra = #urls == 1 and { name = link.name, referrer = link.referrer, headers = M.browserHeaders(link) } or nil
  local added = M.addUrls(urls, extra)
  if added then say(strings.counted("added", #added)) end
end

-- A paused or failed task of the same file name and length as a hand-over
-- is most likely the same file behind a fresh (signed, expiring) link.
function M.unfinishedTwin(name, size)
  if type(name) ~= "string" or type(size) ~= "number" or size <= 0 then return nil end
  for _, task in ipairs(app.tasks:all()) do
    if (task.state == "paused" or task.state == "failed") and task.name == name and tonumber(task.total) == size then
      return task
    end
  end
  return nil
end

-- continueWith(task, url) -> true when the task goes on from the new link.
function M.continueWith(task, url)
  local ok, message = app.tasks:setUrl(task.id, url)
  if not ok then
    say(string.format(strings.resumeFailed, task.name, tostring(message)))
    return false
  end
  say(string.format(strings.resumed, task.name))
  app.publishCounts()
  return true
end

-- offerToContinue(link, url) -> true when the hand-over was taken as the
-- continuation of a task in the list.
function M.offerToContinue(link, url)
  local name = link.name or engine.suggestName(url, nil)
  local twin = M.unfinishedTwin(name, link.fileSize)
  if not twin then return false end
  if host.ui_messageBox(app.hwnd, string.format(strings.resumeOffer, twin.name), true) ~= 1 then return false end
  return M.continueWith(twin, url)
end

-- browserHeaders(link) -> the request headers a browser's hand-over asks
-- for (its cookies, the page it came from, its user agent), or nil.
function M.browserHeaders(link)
  local headers, any = {}, false
  local function put(name, value)
    if type(value) == "string" and value ~= "" then headers[name], any = value, true end
  end
  put("Cookie", link.cookies)
  put("Referer", link.referrer)
  put("User-Agent", link.userAgent)
  return any and headers or nil
end

-- handCommandLine(args): links given when the program was started
-- ("velmora URL ..." or a client's "#clicent#..."), args as startparam
-- holds them (the program itself first).
function M.handCommandLine(args)
  if type(args) ~= "table" then return end
  local plain = {}
  for i = 2, #args do
    local arg = args[i]
    if type(arg) == "string" then
      if links.fromCommandLine(arg) then
        M.handOver(links.fromCommandLine(table.concat(args, " ", i)))
        break
      elseif arg:match("^[Hh][Tt][Tt][Pp][Ss]?://") then
        plain[#plain + 1] = arg
      end
    end
  end
  if #plain == 0 then return end
  local urls = tasksModule.parseUrls(table.concat(plain, "\n"))
  -- A duplicate among them is asked about once the window stands.
  if asksFirst({}, urls) then
    pending[#pending + 1] = function() M.addUrls(urls) end
  else
    M.addUrls(urls)
  end
end

return M
