-- The details pane against a stand-in window: what it shows of a task,
-- which buttons it offers for which failure, and what the buttons do.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local details = require("velmora.details")
local strings = require("velmora.strings")

-- Controls are their names; texts and visibility are kept here.
local texts, visible, clipboard = {}, {}, nil
function ui_findControl(_, name) return name end
function ui_setText(control, text) texts[control] = text end
function ui_getText(control) return texts[control] end
function ui_setVisible(control, shown) visible[control] = shown end
function ui_setClipboardText(text) clipboard = text end
local checked = {}
function ui_setSelected(control, on) checked[control] = on end
function ui_isSelected(control) return checked[control] == true end

local function task(fields)
  local out = { id = 7, name = "a.iso", url = "http://h/a.iso", folder = "/tmp/dl", file = "/tmp/dl/a.iso",
    state = "failed", done = 1536, total = 4096, speed = 0, error = "HTTP 404 Not Found", cause = "http-status",
    code = 404, added = os.time({ year = 2026, month = 12, day = 7, hour = 9, min = 30 }), started = 0, finished = 0 }
  for k, v in pairs(fields or {}) do out[k] = v end
  return out
end

-- A controller stand-in that logs what the pane asks of it.
local function commands(shown)
  local log = {}
  local c = { log = log, said = {} }
  c.tasks = {
    get = function(_, id) return id == shown.id and shown or nil end,
    start = function(_, ids) log[#log + 1] = "start " .. ids[1] end,
    restart = function(_, id, options)
      log[#log + 1] = "restart " .. id .. " " .. tostring(options and options.acceptWebPage)
      return c.restartAnswer, c.restartMessage
    end,
    setOwnOptions = function(_, target, options)
      log[#log + 1] = string.format("own %d %d %d %s", target.id, options.limit, options.connections,
        tostring(options.alwaysRun))
      if c.ownMessage then return nil, c.ownMessage end
      target.ownLimit, target.ownConnections = options.limit, options.connections
      target.alwaysRun = options.alwaysRun and 1 or 0
      return "OK"
    end,
    setUrl = function(_, id, url)
      log[#log + 1] = "setUrl " .. id .. " " .. url
      return c.setUrlAnswer, c.setUrlMessage
    end,
  }
  c.say = function(text) c.said[#c.said + 1] = text end
  c.openFolder = function(list) log[#log + 1] = "folder " .. tostring(list) end
  c.openFile = function(list) log[#log + 1] = "file " .. tostring(list) end
  return c
end

t.case("the pane shows every fact of the task, copyable links and the whole error", function()
  local shown = task({ finalUrl = "http://mirror/a.iso", connections = 3, checksumState = "failed",
    checksumAlgorithm = "sha256" })
  local pane = details.new("pm", commands(shown))
  t.ok(pane:open(shown, "downloadlist"), "opened")
  t.eq(visible.detailspane, true, "pane shown")
  t.eq(texts.D_file, "/tmp/dl/a.iso", "file")
  t.eq(texts.D_folder, "/tmp/dl", "folder")
  t.eq(texts.D_url, "http://h/a.iso", "link")
  t.eq(texts.D_finalurl, "http://mirror/a.iso", "final link")
  t.eq(texts.D_bytes, "1.5 KB / 4.0 KB", "bytes done and total")
  t.eq(texts.D_connections, "3", "connections")
  t.eq(texts.D_added, "2026-12-07 09:30", "added with its date")
  t.eq(texts.D_started, "", "never started")
  t.eq(texts.D_checksum, string.format(strings.details.checksumWith, strings.details.checksumStates.failed, "sha256"),
    "checksum state")
  t.eq(texts.D_error, "HTTP 404 Not Found", "whole error")
  local bare = details.texts(task({ checksumState = nil, connections = nil, total = -1 }))
  t.eq(bare.D_checksum, strings.details.none, "no checksum")
  t.eq(bare.D_connections, strings.details.none, "no connection")
  t.eq(bare.D_bytes, "1.5 KB", "total unknown")
end)

t.case("buttons offer what mends the failure shown, and nothing else", function()
  local b = details.buttons(task({ cause = "web-page" }))
  t.ok(b.D_saveanyway and not b.D_startover and b.D_retry and b.D_refreshlink, "web page")
  b = details.buttons(task({ cause = "changed-answer" }))
  t.ok(b.D_startover and not b.D_saveanyway, "record and server contradict")
  b = details.buttons(task({ cause = "timeout" }))
  t.ok(not b.D_startover and not b.D_saveanyway and b.D_retry, "plain failure")
  b = details.buttons(task({ state = "done", cause = "", error = "" }))
  t.ok(b.D_openfile and b.D_openfolder and not b.D_retry and not b.D_refreshlink, "finished")
  b = details.buttons(task({ state = "running", cause = "" }))
  t.ok(not b.D_retry and not b.D_openfile and b.D_refreshlink, "running")
end)

t.case("the buttons act on the task shown and say what went wrong", function()
  local shown = task({ cause = "web-page" })
  local c = commands(shown)
  c.restartAnswer = true
  local pane = details.new("pm", c)
  pane:open(shown, "downloadlist")
  t.ok(pane:click("D_retry"), "retry handled")
  t.ok(pane:click("D_saveanyway"), "save anyway handled")
  t.eq(c.log[1], "start 7", "retried")
  t.eq(c.log[2], "restart 7 true", "restarted keeping the web page")
  t.eq(#c.said, 0, "nothing to tell")
  c.restartAnswer, c.restartMessage = nil, "the engine cannot restart tasks"
  pane:click("D_startover")
  t.eq(c.log[3], "restart 7 nil", "started over")
  t.eq(c.said[1], string.format(strings.details.restartFailed, "the engine cannot restart tasks"), "failure told")
  pane:click("D_copylink")
  t.eq(clipboard, "http://h/a.iso", "link copied")
  pane:click("D_openfolder")
  t.eq(c.log[4], "folder downloadlist", "folder of the list's task")
  t.eq(pane:click("B_start"), false, "not the pane's")
end)

t.case("a new link needs text, goes to the engine, and a refusal is told", function()
  local shown = task()
  local c = commands(shown)
  local pane = details.new("pm", c)
  pane:open(shown, "downloadlist")
  texts.D_newurl = "   "
  pane:click("D_refreshlink")
  t.eq(#c.log, 0, "nothing asked of the engine")
  t.eq(c.said[1], strings.details.newUrlMissing, "asked for a link")
  texts.D_newurl = " http://h/new.iso "
  c.setUrlAnswer, c.setUrlMessage = nil, "no such task"
  pane:click("D_refreshlink")
  t.eq(c.log[1], "setUrl 7 http://h/new.iso", "trimmed link handed over")
  t.eq(c.said[2], string.format(strings.details.linkRefreshFailed, "no such task"), "refusal told")
  t.eq(texts.D_newurl, " http://h/new.iso ", "the link stays to be corrected")
  c.setUrlAnswer = true
  pane:click("D_refreshlink")
  t.eq(texts.D_newurl, "", "cleared once taken")
end)

t.case("the pane follows its task, and closes when the task is deleted", function()
  local shown = task({ state = "running", cause = "", error = "", speed = 2048 })
  local pane = details.new("pm", commands(shown))
  pane:open(shown, "downloadlist")
  t.eq(texts.D_speed, "2.0 KB/s", "speed")
  shown.speed = 4096
  pane:update(task({ id = 8, speed = 1 }))
  t.eq(texts.D_speed, "2.0 KB/s", "another task changes nothing")
  pane:update(shown)
  t.eq(texts.D_speed, "4.0 KB/s", "its own change shows")
  pane:removed({ 3, 7 })
  t.eq(visible.detailspane, false, "closed")
  t.eq(pane:isOpen(), false, "nothing shown")
  t.eq(pane:click("D_retry"), false, "a closed pane acts on nothing")
end)

t.case("the task's own limit, connections and always-run are shown, checked and applied", function()
  local shown = task({ ownLimit = 2048, ownConnections = 0, alwaysRun = 1 })
  local c = commands(shown)
  local pane = details.new("pm", c)
  pane:open(shown, "downloadlist")
  t.eq(texts.D_ownlimit .. "|" .. texts.D_ownconnections .. "|" .. tostring(checked.D_alwaysrun), "2||true", "shown")
  texts.D_ownlimit, texts.D_ownconnections, checked.D_alwaysrun = " 512 ", "4", false
  t.ok(pane:click("D_applyown"), "handled")
  t.eq(c.log[#c.log], "own 7 524288 4 false", "limit in bytes a second, the rest as typed")
  t.eq(c.said[#c.said], strings.details.ownApplied, "told when it applies")
  texts.D_ownlimit = ""
  pane:click("D_applyown")
  t.eq(c.log[#c.log], "own 7 0 4 false", "empty leaves it to the settings")
  local before = #c.log
  for _, bad in ipairs({ { "-1", "4" }, { "1.5", "4" }, { "abc", "" }, { "99999999999", "" }, { "", "17" }, { "", "x" } }) do
    texts.D_ownlimit, texts.D_ownconnections = bad[1], bad[2]
    pane:click("D_applyown")
  end
  t.eq(#c.log, before, "nothing applied from bad input")
  t.eq(c.said[#c.said], strings.details.ownConnectionsBad, "the bad field named")
  t.eq(c.said[#c.said - 2], strings.details.ownLimitBad, "the bad limit named")
  texts.D_ownlimit, texts.D_ownconnections, c.ownMessage = "1", "", "disk full"
  pane:click("D_applyown")
  t.eq(c.said[#c.said], string.format(strings.details.ownFailed, "disk full"), "a failed save is told")
end)

t.case("a limit applied to a running task holds at once and the pane says so", function()
  local storage = require("velmora.storage")
  local engine = require("velmora.engine")
  local tasks = require("velmora.tasks")
  local fake = require("fake_engine").new()
  engine.use(fake:functions())
  local ctl = tasks.new({ store = assert(storage.open(t.scratch("details-live") .. "/tasks.db")) })
  assert(ctl:load())
  local added = assert(ctl:add({ "http://127.0.0.1/live.iso" }, "/tmp/dl"))[1]
  local eid = fake:idOf(added.url)
  local c = commands(added)
  c.tasks = ctl
  local pane = details.new("pm", c)
  pane:open(ctl:get(added.id), "downloadlist")
  texts.D_ownlimit, texts.D_ownconnections, checked.D_alwaysrun = "400", "", false
  t.ok(pane:click("D_applyown"), "handled")
  t.eq(fake.tasks[eid].limit, 400 * 1024, "the running transfer holds it")
  t.eq(c.said[#c.said], strings.details.ownAppliedNow, "told it holds now")
  t.eq(fake:idOf(added.url), eid, "the task goes on, not handed over again")
  texts.D_ownlimit, texts.D_ownconnections = "", "3"
  pane:click("D_applyown")
  t.eq(fake.tasks[eid].limit, 0, "an empty limit lifts it at once")
  t.eq(c.said[#c.said], strings.details.ownAppliedPartly, "told the connections wait for the next start")
  ctl:pause({ added.id })
  texts.D_ownlimit, texts.D_ownconnections = "8", "3"
  pane:click("D_applyown")
  t.eq(fake.tasks[eid].limit, 8 * 1024, "a paused task's engine task keeps it for its next start")
  t.eq(c.said[#c.said], strings.details.ownApplied, "told it holds at the next start")
  engine.use(nil)
end)

t.finish()
