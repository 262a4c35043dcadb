-- The download center: ties the host's callbacks to the task controller,
-- the views and the settings. system.dll forwards every callback here.
local paths = require("velmora.paths")
local json = require("velmora.json")
local links = require("velmora.links")
local engine = require("velmora.engine")
local storage = require("velmora.storage")
local settingsStore = require("velmora.settings")
local settingsPage = require("velmora.settings_page")
local tasksModule = require("velmora.tasks")
local clipwatch = require("velmora.clipwatch")
local viewModule = require("velmora.view")
local adapter = require("velmora.ui_adapter")
local strings = require("velmora.strings")

local M = {}

local TRAY_ICON = 107
local DISK_CHECK_SECONDS = 30
local PAGES = { tab_downloading = 0, tab_downloaded = 1, tab_settings = 2 }

local app = {
  title = "Velmora",
  notices = {},
  locations = {},
  hostSavePath = nil,
  started = false,
  resumed = false,
  quitting = false,
}
M.state = app

-- Window-message parameters arrive as light userdata; their value is the
-- number the sender posted.
function M.pointerNumber(value)
  if type(value) == "number" then return value end
  if type(value) ~= "userdata" then return nil end
  local hex = tostring(value):match("0x(%x+)")
  return hex and tonumber(hex, 16) or 0
end

-- The globals the host reads when the user closes the window: equal
-- DownloadThreadCount and freeThreadCount mean nothing is downloading.
function M.publishCounts()
  local running, queued = 0, 0
  if app.tasks then running, queued = app.tasks:stats() end
  -- Without an engine waiting tasks are not downloads that quitting stops.
  if not engine.available() then queued = 0 end
  local slots = app.settings and app.settings.concurrent or 3
  DownloadThreadCount = tostring(slots)
  freeThreadCount = tostring(slots - running - queued)
  UnzipCount = tostring(adapter.extractionsRunning())
end

local function noticeText(notice)
  if notice.kind == "database-set-aside" then return string.format(strings.databaseSetAside, paths.ansi(notice.file)) end
  if notice.kind == "settings-set-aside" then return string.format(strings.settingsSetAside, paths.ansi(notice.file)) end
  if notice.kind == "settings-unreadable" then
    return string.format(strings.settingsSetAside, paths.ansi(notice.file))
  end
  return tostring(notice.text or notice.kind)
end

local function say(text)
  app.message = text
  app.messageUntil = os.time() + 5
  if app.view then app.view:status(0, 0, 0, text) end
end

-- The folder new tasks go to (ANSI text, as the engine takes it): the
-- selected save location, else the default folder of the settings, else
-- the host's save path, else the desktop's download folder.
function M.targetFolder()
  local list = app.pm and ui_findControl(app.pm, "sellist")
  local row = list and ui_listGetSel(list)
  local location = type(row) == "number" and app.locations[row + 1]
  if location and location.path ~= "" then return location.path end
  if app.settings and app.settings.folder ~= "" then return app.settings.folder end
  if app.hostSavePath and app.hostSavePath ~= "" then return app.hostSavePath end
  return paths.ansi(paths.downloadDir())
end

function M.addUrls(urls, extra)
  if #urls == 0 then return nil end
  local folder = M.targetFolder()
  paths.makeDirs(paths.native(folder))
  local added, message = app.tasks:add(urls, folder, extra)
  if not added then
    say(message)
    return nil
  end
  M.publishCounts()
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
  local text = string.format(strings.added, #added)
  if #rejected > 0 then text = text .. string.format(strings.rejected, #rejected) end
  if not engine.available() then text = text .. " (" .. strings.engineMissing .. ")" end
  say(text)
end

function M.askForUrls()
  if not (inputDlg and app.hwnd) then return end
  local dialog = inputDlg.new(app.hwnd)
  if not dialog then return end
  local text = inputDlg.showmodule(dialog)
  inputDlg.del(dialog)
  if text then M.addFromText(text) end
end

local function currentList()
  local tab = ui_findControl(app.pm, "maintab")
  if tab and ui_getCurSel(tab) == 1 then return app.view.finished end
  return app.view.active
end

function M.startSelected(list)
  app.tasks:start(app.view:selectedIds(list or app.view.active))
  M.publishCounts()
end

function M.pauseSelected(list)
  app.tasks:pause(app.view:selectedIds(list or app.view.active))
  M.publishCounts()
end

function M.deleteSelected(list)
  local ids = app.view:selectedIds(list or currentList())
  if #ids == 0 then return end
  local confirmed, deleteFiles = adapter.confirmDelete(app.hwnd, #ids, string.format(strings.confirmDelete, #ids))
  if not confirmed then return end
  local ok, message = app.tasks:delete(ids, deleteFiles)
  if not ok then say(message) end
  M.publishCounts()
end

function M.openFolderOfSelected(list)
  local ids = app.view:selectedIds(list or currentList())
  local task = ids[1] and app.tasks:get(ids[1])
  local folder = task and task.folder or M.targetFolder()
  paths.makeDirs(paths.native(folder))
  ui_openUrl(folder)
end

function M.openFileOfSelected(list)
  local ids = app.view:selectedIds(list)
  local task = ids[1] and app.tasks:get(ids[1])
  if task and task.file ~= "" then ui_openUrl(task.file) end
end

-- Double click in the running list: start what stands, pause what runs.
function M.toggleSelected(list)
  local ids = app.view:selectedIds(list)
  local task = ids[1] and app.tasks:get(ids[1])
  if not task then return end
  if task.state == "running" or task.state == "queued" then M.pauseSelected(list) else M.startSelected(list) end
end

-- Settings --------------------------------------------------------------

function M.applySettings(values)
  if app.tasks then app.tasks:setMaxActive(values.concurrent) end
  engine.setLimit(values.speedLimit * 1024)
end

function M.changeSetting(key, raw)
  local value = settingsStore.coerce(key, raw)
  if value == nil or value == app.settings[key] then
    -- The controls show what holds, not what was typed.
    settingsPage.show(app.pm, app.settings)
    return
  end
  app.settings[key] = value
  -- Watching starts from what is copied next, not what already is.
  if key == "clipboard" and value and app.clipboard then app.clipboard:prime(ui_getClipboardText()) end
  local ok, message = settingsStore.save(app.settings)
  if not ok then say(string.format(strings.settingsFailed, tostring(message))) end
  M.applySettings(app.settings)
  settingsPage.show(app.pm, app.settings)
  M.publishCounts()
end

-- Start-up ----------------------------------------------------------------

local function onTaskFinished(task)
  if app.settings.notify then
    local text = string.format(strings.finishedText, task.name)
    if not adapter.notify(strings.finishedTitle, text) then say(text) end
  end
  if app.settings.extract and task.file:lower():match("%.zip$") then
    adapter.extract(task.file, (task.file:gsub("%.[Zz][Ii][Pp]$", "")))
  end
end

-- Opens the settings and the task database and shows the lists. Runs once,
-- when the window's controls exist.
function M.start(pm)
  app.pm = pm
  app.hwnd = ui_getWindow(pm)
  app.view = viewModule.new(pm)
  local values, settingNotices = settingsStore.load()
  app.settings = values
  for _, notice in ipairs(settingNotices) do app.notices[#app.notices + 1] = notice end

  local store, result = storage.open(paths.dataDir() .. "/tasks.db")
  if not store then
    app.notices[#app.notices + 1] = { text = string.format(strings.databaseFailed, tostring(result)) }
    store = M.memoryStore()
  else
    for _, notice in ipairs(result) do app.notices[#app.notices + 1] = notice end
  end
  app.store = store
  app.tasks = tasksModule.new({
    store = store,
    onAdd = function(added) for _, task in ipairs(added) do app.view:show(task) end end,
    onChange = function(task) app.view:show(task) end,
    onRemove = function(ids) app.view:remove(ids) end,
    onFinish = onTaskFinished,
  })
  local count, message = app.tasks:load()
  if not count then app.notices[#app.notices + 1] = { text = string.format(strings.databaseFailed, message) } end
  app.view:rebuild(app.tasks:all())
  -- Until the host lists its save locations, the default folder is the one.
  M.setSaveLocations(app.locationText or '[{"ID":0,"name":"","szPath":""}]')
  settingsPage.show(pm, app.settings)
  local folderEdit = ui_findControl(pm, "folderedit")
  if folderEdit then ui_setAttribute(folderEdit, "prompttext", app.hostSavePath or paths.ansi(paths.downloadDir())) end
  M.applySettings(app.settings)
  app.clipboard = clipwatch.new(function(url) return app.tasks:knowsUrl(url) end)
  -- A link left on the clipboard from before this start was seen already.
  if app.settings.clipboard then app.clipboard:prime(ui_getClipboardText()) end
  if app.hwnd then ui_trayAdd(app.hwnd, TRAY_ICON, app.title, "images/logo.png") end
  app.started = true
  M.publishCounts()
  -- Right from the first paint, not from the first tick.
  app.view:status(0, 0, 0, nil)
  M.refreshDisk(true)
end

-- A database that cannot be opened at all (no writable data folder) still
-- leaves a working window; nothing is kept beyond this run.
function M.memoryStore()
  local store = storage.open(":memory:")
  return store
end

-- Continues what was moving at the last exit; once, after start-up.
function M.resume()
  if app.resumed or not app.started then return end
  app.resumed = true
  app.tasks:resume(app.settings.resume)
  M.publishCounts()
end

local function showNotices()
  if #app.notices == 0 then return end
  local notices = app.notices
  app.notices = {}
  for _, notice in ipairs(notices) do
    local text = noticeText(notice)
    say(text)
    ui_messageBox(app.hwnd, text, false)
  end
end

function M.refreshDisk(force)
  local now = os.time()
  if not force and app.diskCheckedAt and now - app.diskCheckedAt < DISK_CHECK_SECONDS then return end
  app.diskCheckedAt = now
  app.view:disk(adapter.freeSpace(M.targetFolder()))
end

local function watchClipboard()
  if not app.settings.clipboard then return end
  local url = app.clipboard:check(ui_getClipboardText())
  if url and ui_messageBox(app.hwnd, string.format(strings.clipboardOffer, url), true) == 1 then
    M.addUrls({ url })
  end
end

function M.tick()
  if not app.started then return end
  M.resume()
  app.tasks:refresh()
  local running, queued, speed = app.tasks:stats()
  local message = app.message and os.time() < (app.messageUntil or 0) and app.message or nil
  app.view:status(running, queued, speed, message)
  M.refreshDisk(false)
  M.publishCounts()
  showNotices()
  watchClipboard()
end

function M.quit()
  if app.quitting or not app.started then return end
  app.quitting = true
  app.tasks:quit()
  if app.hwnd then ui_trayRemove(app.hwnd, TRAY_ICON) end
end

function M.close()
  -- Whatever way the window went, record where each task stands first.
  M.quit()
  app.started = false
  if app.store then
    app.store:close()
    app.store = nil
  end
end

-- Host input ------------------------------------------------------------

function M.setSaveLocations(text)
  app.locationText = text
  local list = json.decode(text)
  app.locations = {}
  local control = app.pm and ui_findControl(app.pm, "sellist")
  if control then ui_listClear(control) end
  if type(list) ~= "table" then return end
  for _, entry in ipairs(list) do
    if type(entry) == "table" and type(entry.name) == "string" then
      local path = type(entry.szPath) == "string" and entry.szPath or ""
      -- A drive root holds the download folder; other entries are folders.
      if path:match("/$") then path = path .. strings.saveFolder end
      local name = path == "" and strings.computer or entry.name
      app.locations[#app.locations + 1] = { name = name, path = path }
      if control then ui_treeAddNode(control, name) end
    end
  end
  if control and #app.locations > 0 then ui_listSelect(control, 0, false) end
end

function M.setHostSavePath(path)
  if type(path) == "string" and path ~= "" then app.hostSavePath = path:gsub("\\", "/") end
end

function M.handOver(text)
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
  local extra = #urls == 1 and { name = link.name, referrer = link.referrer } or nil
  local added = M.addUrls(urls, extra)
  if added then say(string.format(strings.added, #added)) end
end

function M.onClick(n)
  local name = ui_getName(ui_notifySender(n))
  if not app.started then return end
  if name == "B_add" then M.askForUrls()
  elseif name == "B_start" then M.startSelected()
  elseif name == "B_pause" then M.pauseSelected()
  elseif name == "B_delete" then M.deleteSelected()
  elseif name == "B_openfolder" then M.openFolderOfSelected()
  elseif name == "menubtn" then
    ui_setSelected(ui_findControl(app.pm, "tab_settings"), true)
  end
end

function M.onItemClick(n)
  if not app.started or ui_notifyType(n) ~= "itemdoubleclick" then return end
  local list = ui_notifySender(n)
  local name = ui_getName(list)
  if name == "downloadedlist" then M.openFileOfSelected(list)
  elseif name == "downloadlist" then M.toggleSelected(list)
  end
end

local menuActions = {
  menu_Open = function(list) M.openFolderOfSelected(list) end,
  menu_Start = function(list) M.startSelected(list) end,
  menu_Pause = function(list) M.pauseSelected(list) end,
  menu_Delete = function(list) M.deleteSelected(list) end,
}

local keyActions = {
  Delete = function() M.deleteSelected() end,
  Return = function() M.toggleSelected(currentList()) end,
  Space = function() M.toggleSelected(currentList()) end,
}

function M.onOther(n)
  if not app.pm then return end
  local kind = ui_notifyType(n)
  local sender = ui_notifySender(n)
  local name = sender and ui_getName(sender)
  if kind == "selectchanged" and PAGES[name] then
    ui_selectTab(ui_findControl(app.pm, "maintab"), PAGES[name])
    return
  end
  if not app.started then return end
  if name == "searchedit" and kind == "textchanged" then
    app.view:setSearch(ui_getText(sender), app.tasks:all())
  elseif menuActions[kind] then
    menuActions[kind](sender)
  elseif name == "sellist" and kind == "itemselect" then
    M.refreshDisk(true)
  else
    local key, value = settingsPage.change(n)
    if key then return M.changeSetting(key, value) end
    local dropped = adapter.droppedLinks(n)
    if dropped then return M.addFromText(table.concat(dropped, "\n")) end
    local pressed, ctrl = adapter.key(n)
    if pressed == "N" and ctrl then return M.askForUrls() end
    if pressed == "A" and ctrl then return adapter.selectAll(currentList()) end
    if pressed and keyActions[pressed] then return keyActions[pressed]() end
  end
end

function M.onWindowMessage(message, wParam, lParam)
  if message == engine.STATE_MESSAGE and app.started then
    app.tasks:engineChanged(M.pointerNumber(wParam))
    M.publishCounts()
  end
end

return M
