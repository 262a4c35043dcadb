-- What the modules of the window share: the window's handles, the
-- controller, the view, the settings, and the texts waiting to be shown.
local host = require("velmora.host")
local engine = require("velmora.engine")
local adapter = require("velmora.ui_adapter")

local app = {
  title = "Velmora",
  notices = {},
  locations = {},
  hostSavePath = nil,
  started = false,
  resumed = false,
  quitting = false,
}

-- say(text): a message in the status line for a few seconds.
function app.say(text)
  app.message = text
  app.messageUntil = os.time() + 5
  if app.view then app.view:status(0, 0, 0, text) end
end

-- The globals the host reads when the user closes the window: equal
-- DownloadThreadCount and freeThreadCount mean nothing is downloading.
-- The timer passes the counts it has just taken, sparing a second walk.
function app.publishCounts(running, queued)
  if not running then
    running, queued = 0, 0
    if app.tasks then running, queued = app.tasks:stats() end
  end
  -- Without an engine waiting tasks are not downloads that quitting stops.
  if not engine.available() then queued = 0 end
  local slots = app.settings and app.settings.concurrent or 3
  host.publish("DownloadThreadCount", tostring(slots))
  host.publish("freeThreadCount", tostring(slots - running - queued))
  host.publish("UnzipCount", tostring(adapter.extractionsRunning()))
end

return app
