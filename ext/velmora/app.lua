-- The download center: ties the host's callbacks to the task controller,
-- the views and the settings. system.dll forwards every callback here.
local host = require("velmora.host")
local paths = require("velmora.paths")
local engine = require("velmora.engine")
local storage = require("velmora.storage")
local settingsStore = require("velmora.settings")
local settingsPage = require("velmora.settings_page")
local tasksModule = require("velmora.tasks")
local clipwatch = require("velmora.clipwatch")
local categories = require("velmora.categories")
local viewModule = require("velmora.view")
local detailsModule = require("velmora.details")
local adapter = require("velmora.ui_adapter")
local strings = require("velmora.strings")
local app = require("velmora.state")
local actions = require("velmora.actions")
local menu = require("velmora.menu")
local remote = require("velmora.rpc")
local scheduleDriver = require("velmora.schedule_driver")
local language = require("velmora.language")

local M = {}
M.state = app

-- Host input goes straight to the commands.
M.addFromText = actions.addFromText
M.targetFolder = actions.targetFolder
M.handOver = actions.handOver

-- The settings page names the folder the next task goes to, so it follows
-- everything that decides it: the host's save path (known only after the
-- window's first set-up), the selected save location and the settings.
function M.showTarget()
  if app.pm then settingsPage.showTarget(app.pm, actions.targetFolder()) end
end

function M.setSaveLocations(text)
  actions.setSaveLocations(text)
  M.showTarget()
end

function M.setHostSavePath(path)
  actions.setHostSavePath(path)
  M.showTarget()
end

local TRAY_ICON = 107
local DISK_CHECK_SECONDS = 30
local PAGES = { tab_downloading = 0, tab_downloaded = 1, tab_settings = 2 }
-- The list's filter by kind of file: option name -> category ("" for all).
local CATEGORY_FILTERS = {
  cat_all = "", cat_video = "video", cat_audio = "audio", cat_archives = "archives", cat_documents = "documents",
  cat_programs = "programs", cat_other = "other",
}

-- Window-message parameters arrive as light userdata; their value is the
-- number the sender posted.
function M.pointerNumber(value)
  if type(value) == "number" then return value end
  if type(value) ~= "userdata" then return nil end
  local hex = tostring(value):match("0x(%x+)")
  return hex and tonumber(hex, 16) or 0
end

-- A path for the user to read; one the code page cannot spell is shown as
-- the system has it rather than not at all.
local shown = paths.shown

local function noticeText(notice)
  if notice.kind == "database-set-aside" then return string.format(strings.databaseSetAside, shown(notice.file)) end
  if notice.kind == "settings-set-aside" then return string.format(strings.settingsSetAside, shown(notice.file)) end
  if notice.kind == "settings-unreadable" then
    return string.format(strings.settingsSetAside, shown(notice.file))
  end
  return tostring(notice.text or notice.kind)
end

-- Settings --------------------------------------------------------------

-- Sorting into folders by kind of file, and the list's filter by kind,
-- which shows only while sorting is on.
local function applyCategories(values)
  local byExt = categories.lists(values)
  if app.tasks then app.tasks:sortByCategory(values.categories and byExt or nil, strings.categoryFolders) end
  local bar = app.pm and host.ui_findControl(app.pm, "categorybar")
  if bar then host.ui_setVisible(bar, values.categories and true or false) end
  if app.view and app.tasks and (app.view.category or values.categories) then
    local kind = values.categories and app.view.category or nil
    if not kind then
      local all = host.ui_findControl(app.pm, "cat_all")
      if all then host.ui_setSelected(all, true, false) end
    end
    app.view:setCategory(kind, byExt, app.tasks:all())
  end
end

function M.applySettings(values)
  if app.tasks then app.tasks:setMaxActive(values.concurrent) end
  applyCategories(values)
  -- The limit that holds at this time of day, not only the usual one.
  if app.schedule then app.schedule:applyLimit(values) else engine.setLimit(values.speedLimit * 1024) end
  -- Tasks starting from now on; running ones keep the connections they have.
  engine.setConnections(values.connections)
  -- The host's close button reads this.
  host.publish("CloseToTray", values.closeToTray and "1" or "0")
end

-- Values typed on the settings page that could not be taken, by key.
app.settingProblems = {}

-- checkSetting(key, raw) -> the value, or nil and the problem to show.
local function checkSetting(key, raw)
  local value, why, field = settingsStore.check(key, raw)
  if value == nil then return nil, settingsPage.problemText(why, field) end
  if key == "folder" and value ~= "" then
    local made, message = host.fs_makeDirs(value)
    if not made then return nil, settingsPage.problemText("folder", field, message) end
  end
  return value
end

-- Settings whose change takes the remote-control server down and up again.
local REMOTE_KEYS = {
  remoteControl = true, rpcHost = true, rpcPort = true, rpcSecret = true, rpcOrigins = true, rpcAllowPlain = true,
  rpcCertificate = true, rpcKey = true,
}

-- The language's field on the settings page, as the host has it now.
function M.showLanguage()
  if app.pm then settingsPage.showLanguage(app.pm, language.current(), language.list()) end
end

-- Everything the scripts wrote in words, written again in the language
-- active now. The layouts' own texts are the host's (ui_applyLanguage).
function M.refreshTexts()
  if not app.started then return end
  app.view:rebuild(app.tasks:all())
  app.details:redraw(app.tasks)
  if app.locationText then actions.setSaveLocations(app.locationText, true) end
  settingsPage.show(app.pm, app.settings, app.settingProblems)
  M.showTarget()
  local running, queued, speed = app.tasks:stats()
  app.view:status(running, queued, speed, nil)
  M.refreshDisk(true)
end

-- changeLanguage(typed): the language typed on the settings page, by code
-- or by name. The same language again, or an emptied field, changes
-- nothing.
function M.changeLanguage(typed)
  local list, current = language.list(), language.current()
  if language.find(list, typed) == current or not tostring(typed or ""):find("%S") then return M.showLanguage() end
  local code, problem = language.choose(typed)
  if not code then
    if app.pm then settingsPage.showLanguage(app.pm, current, list, problem, typed) end
    return nil, problem
  end
  -- The layout's texts first: the host leaves alone what the scripts set,
  -- so what they write next in the new language is kept.
  if app.pm and host.has("ui_applyLanguage") then host.ui_applyLanguage(app.pm) end
  M.showLanguage()
  M.refreshTexts()
  app.say(string.format(strings.languageChanged, language.nameOf(code, list)))
  return code
end

function M.changeSetting(key, raw)
  if key == "language" then return M.changeLanguage(raw) end
  local value, problem = checkSetting(key, raw)
  app.settingProblems[key] = problem
  if value == nil or value == app.settings[key] then
    -- The controls show what holds, or what was typed and why it was not taken.
    settingsPage.show(app.pm, app.settings, app.settingProblems)
    return
  end
  app.settings[key] = value
  -- The command is shown for consent when it is chosen, not first when the
  -- queue runs dry with nobody watching.
  if (key == "doneCommand" or key == "whenDone") and app.settings.whenDone == "command" and app.schedule then
    app.schedule:confirmCommand(app.settings)
  end
  -- Watching starts from what is copied next, not what already is.
  if key == "clipboard" and value and app.clipboard then app.clipboard:prime(host.ui_getClipboardText()) end
  local ok, message = settingsStore.save(app.settings)
  if not ok then app.say(string.format(strings.settingsFailed, tostring(message))) end
  M.applySettings(app.settings)
  if REMOTE_KEYS[key] then M.restartRemote() end
  settingsPage.show(app.pm, app.settings, app.settingProblems)
  M.showTarget()
  app.publishCounts()
end

function M.browseFolder()
  local chosen = host.has("ui_chooseFolder") and host.ui_chooseFolder(strings.chooseFolderTitle, actions.targetFolder())
  if chosen then
    host.ui_setText(host.ui_findControl(app.pm, "folderedit"), chosen)
    M.changeSetting("folder", chosen)
  end
end

-- Start-up ----------------------------------------------------------------

local function onTaskFinished(task)
  if app.settings.notify then
    local text = string.format(strings.finishedText, task.name)
    if not adapter.notify(strings.finishedTitle, text, app.hwnd) then app.say(text) end
  end
  if app.settings.extract then M.extractArchive(task) end
end

-- A finished .zip goes into a folder of its name beside it, on a worker
-- thread; the download itself stays as it is whatever the archive holds.
function M.extractArchive(task)
  if type(task.file) ~= "string" or not task.file:lower():match("%.zip$") then return false end
  local folder = task.file:gsub("%.[Zz][Ii][Pp]$", "")
  local started, message = adapter.extract(task.file, folder, { id = task.id, name = task.name, folder = folder })
  if not started then
    app.say(string.format(strings.extractFailed, task.name, tostring(message)))
    if app.tasks.setNote then app.tasks:setNote(task.id, message) end
  end
  app.publishCounts()
  return started
end

local function extractionEnded(context, state, message)
  if state == "done" then
    app.say(string.format(strings.extracted, context.name, context.folder))
  elseif state == "failed" then
    app.say(string.format(strings.extractFailed, context.name, message))
    if app.tasks.setNote then app.tasks:setNote(context.id, message) end
  end
end

-- Opens the settings and the task database and shows the lists. Runs once,
-- when the window's controls exist.
function M.start(pm)
  app.pm = pm
  app.hwnd = host.ui_getWindow(pm)
  app.view = viewModule.new(pm)
  local values, settingNotices = settingsStore.load()
  app.settings = values
  for _, notice in ipairs(settingNotices) do app.notices[#app.notices + 1] = notice end

  local store, result = storage.open(storage.path())
  if not store then
    app.notices[#app.notices + 1] = { text = string.format(strings.databaseFailed, tostring(result)) }
    store = M.memoryStore()
  else
    for _, notice in ipairs(result) do app.notices[#app.notices + 1] = notice end
  end
  app.store = store
  app.view:restore(store, function(message) app.say(string.format(strings.settingsFailed, tostring(message))) end)
  app.tasks = tasksModule.new({
    store = store,
    onAdd = function(added)
      for _, task in ipairs(added) do
        app.view:show(task)
        remote.taskChanged(task)
      end
    end,
    onChange = function(task)
      app.view:show(task)
      app.details:update(task)
      remote.taskChanged(task)
    end,
    onRemove = function(ids)
      app.view:remove(ids)
      app.details:removed(ids)
      remote.tasksRemoved(ids)
    end,
    onFinish = onTaskFinished,
    onMove = function(order, ids) app.view:showQueueOrder(order, ids) end,
  })
  app.details = detailsModule.new(pm, {
    tasks = app.tasks, say = app.say,
    openFolder = function(list) actions.openFolderOfSelected(list) end,
    openFile = function(list) actions.openFileOfSelected(list) end,
  })
  app.schedule = M.newSchedule()
  local count, message = app.tasks:load()
  if not count then app.notices[#app.notices + 1] = { text = string.format(strings.databaseFailed, message) } end
  app.view:rebuild(app.tasks:all())
  -- Until the host lists its save locations, the default folder is the one.
  actions.setSaveLocations(app.locationText or '[{"ID":0,"name":"","szPath":""}]')
  settingsPage.show(pm, app.settings)
  M.showTarget()
  M.showLanguage()
  -- The skin's placeholder gives way to the version that really runs.
  local version = host.ui_findControl(pm, "versiontext")
  if version and host.has("ui_productVersion") then host.ui_setText(version, "v" .. host.ui_productVersion()) end
  M.applySettings(app.settings)
  app.clipboard = clipwatch.new(function(url) return app.tasks:knowsUrl(url) end)
  -- A link left on the clipboard from before this start was seen already.
  if app.settings.clipboard then app.clipboard:prime(host.ui_getClipboardText()) end
  if app.hwnd then host.ui_trayAdd(app.hwnd, TRAY_ICON, app.title, "images/logo.png") end
  adapter.acceptDrops(app.hwnd)
  app.started = true
  app.publishCounts()
  M.startRemote()
  actions.handCommandLine(host.startparam)
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
  app.publishCounts()
end

local function showNotices()
  if #app.notices == 0 then return end
  local notices = app.notices
  app.notices = {}
  for _, notice in ipairs(notices) do
    local text = noticeText(notice)
    app.say(text)
    host.ui_messageBox(app.hwnd, text, false)
  end
end

function M.refreshDisk(force)
  local now = os.time()
  if not force and app.diskCheckedAt and now - app.diskCheckedAt < DISK_CHECK_SECONDS then return end
  app.diskCheckedAt = now
  app.view:disk(adapter.freeSpace(actions.targetFolder()))
end

local function watchClipboard()
  if not app.settings.clipboard then return end
  local url, known = app.clipboard:check(host.ui_getClipboardText())
  if not url then return end
  -- Said once here; the same question is not asked again on adding.
  local text = string.format(known and strings.clipboardKnown or strings.clipboardOffer, url)
  if host.ui_messageBox(app.hwnd, text, true) == 1 then
    actions.addUrls({ url }, nil, nil, known and "rename" or nil)
  end
end

-- The schedule's hands: what it may do to the window and the system.
function M.newSchedule()
  return scheduleDriver.new({
    tasks = app.tasks, settings = function() return app.settings end, clock = os.time,
    quit = function()
      -- Only a window can close itself; an archive being unpacked is not cut off.
      if not app.hwnd or adapter.extractionsRunning() > 0 then return end
      M.quit()
      host.ui_postMessage(app.hwnd, menu.WM_CLOSE, 0, 0)
    end,
    run = function(argv)
      if not host.has("desktop_run") then return nil, strings.scheduleNoRunner end
      return host.get("desktop_run")(argv)
    end,
    confirm = function(command)
      return host.ui_messageBox(app.hwnd, string.format(strings.scheduleCommandConfirm, command), true) == 1
    end,
    save = function(values) settingsStore.save(values) end,
    say = function(text) app.say(string.format(strings.scheduleCommandFailed, text)) end,
    recall = function() return app.store:getValue("scheduleStarted") end,
    remember = function(key) app.store:setValue("scheduleStarted", key) end,
  })
end

function M.tick()
  if not app.started then return end
  M.resume()
  app.schedule:tick()
  actions.handPending()
  remote.serve()
  app.tasks:refresh()
  app.view:resortChanged()
  local running, queued, speed = app.tasks:stats()
  local message = app.message and os.time() < (app.messageUntil or 0) and app.message or nil
  app.view:status(running, queued, speed, message)
  M.refreshDisk(false)
  adapter.poll(extractionEnded)
  app.publishCounts(running, queued)
  showNotices()
  watchClipboard()
end

function M.quit()
  if app.quitting or not app.started then return end
  app.quitting = true
  remote.stop()
  app.tasks:quit()
  if app.hwnd then host.ui_trayRemove(app.hwnd, TRAY_ICON) end
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

-- Remote control --------------------------------------------------------

-- What the headless host was told on its command line, or nil in the window.
local function headless()
  local options = host.get("headless")
  return type(options) == "table" and options or nil
end

function M.startRemote()
  local options = headless() or {}
  local port, message = remote.start({
    headless = headless() ~= nil, listen = options.listen, secret = options.secret, allowDirs = options.allowDirs,
    printSecret = options.printSecret,
    tasks = app.tasks, settings = function() return app.settings end, saveSettings = settingsStore.save,
    changeSetting = M.changeSetting, defaultFolder = actions.targetFolder,
    add = function(urls, folder, extra)
      local made, why = host.fs_makeDirs(folder, true)
      if not made then return nil, why end
      return app.tasks:add(urls, folder, extra)
    end,
  })
  if port then
    app.say(string.format(strings.remoteListening, port))
  elseif headless() or app.settings.remoteControl then
    app.notices[#app.notices + 1] = { text = string.format(strings.remoteFailed, tostring(message)) }
  end
  if headless() and not options.printSecret then
    io.stderr:write(port and ("velmora: remote control listens on port " .. port .. "\n")
      or ("velmora: remote control cannot start: " .. tostring(message) .. "\n"))
  end
  return port, message
end

-- Runs the calls remote clients are waiting on.
function M.serveRemote()
  if app.started then remote.serve() end
end

-- The settings file again, as after a change in the window (a signal asks
-- for it when there is no window).
function M.reloadSettings()
  if not app.started then return end
  local values, notices = settingsStore.load()
  for _, notice in ipairs(notices) do app.notices[#app.notices + 1] = notice end
  local before = app.settings
  app.settings = values
  M.applySettings(values)
  for key in pairs(REMOTE_KEYS) do
    if before[key] ~= values[key] then return M.restartRemote() end
  end
end

function M.restartRemote()
  remote.stop()
  return M.startRemote()
end

-- Host input ------------------------------------------------------------

function M.onClick(n)
  local name = host.ui_getName(host.ui_notifySender(n))
  if not app.started or app.details:click(name) then return end
  if name == "B_add" then actions.askForUrls()
  elseif name == "B_start" then actions.startSelected()
  elseif name == "B_pause" then actions.pauseSelected()
  elseif name == "B_delete" then actions.deleteSelected()
  elseif name == "B_openfolder" then actions.openFolderOfSelected()
  elseif name == "menubtn" then menu.open(app.pm)
  elseif name == "folderbrowse" then M.browseFolder()
  elseif name == "dupreset" then M.changeSetting("duplicateAction", "ask")
  end
end

-- The first selected task of a list, or nil.
local function selectedTask(list)
  local id = list and app.view:selectedIds(list)[1]
  return id and app.tasks:get(id)
end

-- showDetails(list): the details of the list's selected task.
function M.showDetails(list)
  local task = selectedTask(list)
  if task then app.details:open(task, list) end
end

-- A double click shows what went wrong or what came down; on a task
-- still moving or waiting it starts or pauses it.
function M.onItemClick(n)
  if not app.started or host.ui_notifyType(n) ~= "itemdoubleclick" then return end
  local list = host.ui_notifySender(n)
  local task = selectedTask(list)
  if task and (task.state == "failed" or task.state == "done") then return M.showDetails(list) end
  if host.ui_getName(list) == "downloadlist" then actions.toggleSelected(list) end
end

local menuActions = {
  menu_Open = function(list) actions.openFolderOfSelected(list) end,
  menu_CopyUrl = function(list) actions.copyUrlsOfSelected(list) end,
  menu_Start = function(list) actions.startSelected(list) end,
  menu_Pause = function(list) actions.pauseSelected(list) end,
  menu_Delete = function(list) actions.deleteSelected(list) end,
  menu_Settings = function() menu.showSettings(app.pm) end,
  menu_ClearFinished = function() actions.clearFinished() end,
  menu_About = function() menu.about(app.hwnd) end,
  menu_Help = function() menu.help("guide") end,
  menu_ScriptHelp = function() menu.help("scripting") end,
  menu_Quit = function() M.askToQuit() end,
  menu_Show = function() menu.showWindow(app.hwnd) end,
  menu_Details = function(list) M.showDetails(list) end,
  menu_StartNext = function(list) actions.startNextSelected(list) end,
  menu_MoveUp = function(list) actions.moveSelected("up", list) end,
  menu_MoveDown = function(list) actions.moveSelected("down", list) end,
  menu_MoveTop = function(list) actions.moveSelected("top", list) end,
  menu_MoveBottom = function(list) actions.moveSelected("bottom", list) end,
}

local keyActions = {
  Delete = function() actions.deleteSelected() end,
  Return = function() M.showDetails(actions.currentList()) end,
  Space = function() actions.toggleSelected(actions.currentList()) end,
  Escape = function() app.details:close() end,
}

function M.onOther(n)
  if not app.pm then return end
  local kind = host.ui_notifyType(n)
  local sender = host.ui_notifySender(n)
  local name = sender and host.ui_getName(sender)
  if kind == "selectchanged" and PAGES[name] then
    host.ui_selectTab(host.ui_findControl(app.pm, "maintab"), PAGES[name])
    return
  end
  if not app.started then return end
  if kind == "selectchanged" and CATEGORY_FILTERS[name] then
    -- The option let go of reports too; the chosen one decides.
    if not host.ui_isSelected(sender) then return end
    local key = CATEGORY_FILTERS[name]
    app.view:setCategory(key ~= "" and key or nil, categories.lists(app.settings), app.tasks:all())
    return
  end
  if name == "searchedit" and kind == "textchanged" then
    app.view:setSearch(host.ui_getText(sender), app.tasks:all())
  elseif menuActions[kind] then
    menuActions[kind](sender)
  elseif name == "sellist" and kind == "itemselect" then
    M.refreshDisk(true)
    M.showTarget()
  elseif kind == "itemselect" and app.details:isOpen() and app.view:isList(sender) then
    -- An open pane follows the selection.
    M.showDetails(sender)
  elseif adapter.columnResized(n) then
    app.view:columnResized(sender)
  else
    local key, value = settingsPage.change(n)
    if key then return M.changeSetting(key, value) end
    local dropped = adapter.droppedLinks(n)
    if dropped then return actions.addFromText(table.concat(dropped, "\n")) end
    local list, column = adapter.sortRequest(n)
    if list then return app.view:sortBy(list, column) end
    local pressed, ctrl, shift, alt = adapter.key(n)
    if not pressed or alt then return end
    if pressed == "N" and ctrl and not shift then return actions.askForUrls() end
    if pressed == "A" and ctrl and not shift then return adapter.selectAll(actions.currentList()) end
    if (pressed == "Up" or pressed == "Down") and ctrl then
      -- With Shift the rows go all the way, to the top or the bottom.
      local where = shift and (pressed == "Up" and "top" or "bottom") or pressed:lower()
      return actions.moveSelected(where)
    end
    -- Plain keys only: Ctrl+Delete and the like stay free for others.
    if not ctrl and not shift and keyActions[pressed] then return keyActions[pressed]() end
  end
end

function M.onWindowMessage(message, wParam, lParam)
  if message == engine.STATE_MESSAGE and app.started then
    app.tasks:engineChanged(M.pointerNumber(wParam))
    app.publishCounts()
  elseif message == menu.TRAY_MESSAGE and M.pointerNumber(wParam) == TRAY_ICON and app.started then
    menu.trayEvent(app.pm, app.hwnd, M.pointerNumber(lParam))
  end
end

-- The menu's quit: the same questions as the window's close button, then
-- the same way out.
function M.askToQuit()
  local unpacking = adapter.extractionsRunning()
  if unpacking > 0 then
    host.ui_messageBox(app.hwnd, strings.counted("quitUnzipping", unpacking), false)
    return false
  end
  local running, queued = app.tasks:stats()
  local busy = engine.available() and running + queued > 0
  local text = busy and strings.quitBusy or string.format(strings.quitIdle, app.title)
  if host.ui_messageBox(app.hwnd, text, true) ~= 1 then return false end
  M.quit()
  host.ui_postMessage(app.hwnd, menu.WM_CLOSE, 0, 0)
  return true
end

return M
