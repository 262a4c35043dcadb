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

function M.addUrls(urls, extra)
  if #urls == 0 then return nil end
  local folder, why = M.targetFolder()
  local made
  if folder then made, why = host.fs_makeDirs(folder) end
  if not made then
    say(why)
    return nil
  end
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
  local report = string.format(strings.added, #added)
  if #rejected > 0 then report = report .. string.format(strings.rejected, #rejected) end
  if not engine.available() then report = report .. " (" .. strings.engineMissing .. ")" end
  say(report)
end

function M.askForUrls()
  if not (host.inputDlg and app.hwnd) then return end
  local dialog = host.inputDlg.new(app.hwnd)
  if not dialog then return end
  local text = host.inputDlg.showmodule(dialog)
  host.inputDlg.del(dialog)
  if text then M.addFromText(text) end
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

function M.pauseSelected(list)
  app.tasks:pause(app.view:selectedIds(list or app.view.active))
  app.publishCounts()
end

function M.deleteSelected(list)
  local ids = app.view:selectedIds(list or M.currentList())
  if #ids == 0 then return end
  -- One question for the whole selection; files stay unless ticked.
  local confirmed, deleteFiles =
    adapter.confirmDelete(app.hwnd, string.format(strings.confirmDeleteAsk, #ids), strings.alsoDeleteFiles)
  if not confirmed then return end
  local ok, message = app.tasks:delete(ids, deleteFiles)
  if not ok then say(message) end
  app.publishCounts()
end

function M.openFolderOfSelected(list)
  local ids = app.view:selectedIds(list or M.currentList())
  local task = ids[1] and app.tasks:get(ids[1])
  local folder = task and task.folder or M.targetFolder()
  if not folder then return end
  -- A folder that cannot be made is reported by the desktop when it fails
  -- to open it.
  host.fs_makeDirs(folder)
  host.ui_openUrl(folder)
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
  if task and task.file ~= "" then host.ui_openUrl(task.file) end
end

-- Double click in the running list: start what stands, pause what runs.
function M.toggleSelected(list)
  local ids = app.view:selectedIds(list)
  local task = ids[1] and app.tasks:get(ids[1])
  if not task then return end
  if task.state == "running" or task.state == "queued" then M.pauseSelected(list) else M.startSelected(list) end
end

function M.setSaveLocations(text)
  app.locationText = text
  local list = json.decode(text)
  app.locations = {}
  local control = app.pm and host.ui_findControl(app.pm, "sellist")
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
  if control and #app.locations > 0 then host.ui_listSelect(control, 0, false) end
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
  local extra = #urls == 1 and { name = link.name, referrer = link.referrer, headers = M.browserHeaders(link) } or nil
  local added = M.addUrls(urls, extra)
  if added then say(string.format(strings.added, #added)) end
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
  if #plain > 0 then M.addUrls(tasksModule.parseUrls(table.concat(plain, "\n"))) end
end

return M
