-- The new-task dialog ("newtask.xml"): links one a line, the folder with a
-- browse button, a file name while there is one link, start now or paused,
-- connections, speed limit and checksum. OK checks the form and keeps the
-- dialog open, with each problem beside its field, until all is well and
-- the folder exists.
local host = require("velmora.host")
local dialog = require("velmora.dialog")
local newtask = require("velmora.newtask")
local strings = require("velmora.strings")
local tasksModule = require("velmora.tasks")

local M = {}

M.FIELDS = { "links", "folder", "name", "connections", "speedLimit", "checksum" }

local function read(form)
  local fields = {}
  for _, key in ipairs(M.FIELDS) do fields[key] = form:text(key) end
  fields.paused = form:checked("chk_paused")
  return fields
end

-- A name belongs to one file: the field is open while there is at most one link.
local function followLinks(form)
  local urls = tasksModule.parseUrls(form:text("links"))
  form:setEnabled("name", #urls <= 1)
end

-- submit(form, makeDirs) -> the request when the form holds one.
function M.submit(form, makeDirs)
  local request, problems = newtask.check(read(form))
  if request then
    local made, why = makeDirs(request.folder)
    if not made then
      request, problems = nil, { folder = string.format(strings.folderCannotMake, tostring(why)) }
    end
  end
  form:showProblems(problems, M.FIELDS)
  return request
end

-- ask(hwnd, defaults) -> the request the user confirmed, or nil. defaults:
-- folder, connections, links (texts).
function M.ask(hwnd, defaults)
  local request
  local function submit(form)
    request = M.submit(form, host.fs_makeDirs)
    if request then form:finish(dialog.OK) end
  end
  local result, message = dialog.run(hwnd, "newtask.xml", {
    open = function(form)
      form:setText("links", defaults.links or "")
      form:setText("folder", defaults.folder or "")
      form:setText("connections", defaults.connections or "")
      form:showProblems(nil, M.FIELDS)
      followLinks(form)
    end,
    click = {
      okbtn = submit,
      cancelbtn = function(form) form:finish(dialog.CANCELLED) end,
      browsebtn = function(form)
        local chosen = host.ui_chooseFolder(strings.chooseFolderTitle, form:text("folder"))
        if chosen then form:setText("folder", chosen) end
      end,
    },
    notify = function(form, kind, name)
      if kind == "textchanged" and name == "links" then followLinks(form) end
      if kind == "return" then submit(form) end
    end,
  })
  if not result then return nil, message end
  return result == dialog.OK and request or nil
end

return M
