-- The state cell of the task list: short reasons by cause, retry times,
-- bytes of paused tasks, and the tooltip with the whole message.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local reasons = require("velmora.reasons")
local view = require("velmora.view")
local format = require("velmora.format")
local strings = require("velmora.strings")

local function failed(cause, code, error)
  return { state = "failed", cause = cause, code = code or 0, error = error or "the whole message", done = 0, total = -1 }
end

t.case("every cause the engine names has a reason of its own, never the English message", function()
  local causes = { "dns", "refused", "timeout", "tls", "tls-certificate", "proxy", "proxy-auth", "redirect", "disk",
    "cut", "stall", "changed-file", "changed-answer", "web-page", "checksum", "bad-answer", "bad-input", "unsupported",
    "internal" }
  local seen = {}
  for _, cause in ipairs(causes) do
    local text = reasons.short(failed(cause))
    t.ok(text ~= strings.reasons.unknown and text ~= "the whole message", cause .. " has its own text")
    t.ok(not seen[text], cause .. " is told apart from the others")
    seen[text] = true
  end
end)

t.case("an HTTP failure names the status; unknown causes fall back without losing the cause", function()
  -- The engine's code is its own result code, not the server's status.
  local notFound = failed("http-status", 23, "server answered 404 File not found")
  notFound.httpStatus = 404
  t.eq(reasons.stateCell(notFound), string.format(strings.failedBecause,
    string.format(strings.reasons["http-status"], 404)), "status in the cell")
  t.ok(not reasons.short(notFound):find("23", 1, true), "not the result code")
  local given = failed("http-status", 23, "server answered 503")
  given.httpStatus = 429
  t.eq(reasons.httpStatus(given), 429, "a status the engine names wins")
  t.eq(reasons.short(failed("http-status", 23, "server answered 404")), strings.reasons.httpStatusUnknown,
    "the message is never read for a status")
  local odd = failed("http-status", 23, "x")
  odd.httpStatus = 999
  t.eq(reasons.short(odd), strings.reasons.httpStatusUnknown, "no number a status can be")
  t.eq(reasons.short(failed("something-new")), strings.reasons.unknown, "a cause from a newer engine")
  -- A record from before causes were kept still says what went wrong.
  t.eq(reasons.short(failed("", 0, "HTTP 500")), "HTTP 500", "message of an old record")
  t.eq(reasons.short(failed(nil, 0, "")), strings.reasons.unknown, "nothing known at all")
end)

t.case("the state cell shows retry times, paused bytes and plain states", function()
  t.eq(view.stateText(failed("timeout")), string.format(strings.failedBecause, strings.reasons.timeout), "failed")
  local at = os.time() + 90
  local waiting = { state = "queued", retryAt = at, done = 0, total = -1 }
  t.eq(view.stateText(waiting), string.format(strings.waitingRetry, format.clockTime(at)), "retry time")
  waiting.state = "running"
  t.eq(view.stateText(waiting), string.format(strings.waitingRetry, format.clockTime(at)), "reported as running")
  waiting.state, waiting.retryAt = "queued", nil
  t.eq(view.stateText(waiting), strings.state.queued, "waiting without a retry")
  local paused = { state = "paused", done = 1536, total = 10 * 1024 * 1024 }
  t.eq(view.stateText(paused), string.format(strings.pausedBytes, "1.5 KB", "10.0 MB"), "paused with total")
  paused.total = -1
  t.eq(view.stateText(paused), string.format(strings.pausedBytesUnknown, "1.5 KB"), "paused, total unknown")
  paused.done = 0
  t.eq(view.stateText(paused), strings.state.paused, "paused before any byte")
end)

t.case("the row tooltip holds the name, the link and the whole message", function()
  local task = failed("tls-certificate", 0, "certificate has expired (notAfter 2020-01-01)")
  task.name, task.url = "a.iso", "https://h/a.iso"
  t.eq(view.rowTip(task), "a.iso\nhttps://h/a.iso\ncertificate has expired (notAfter 2020-01-01)", "failed row")
  task.error = ""
  t.eq(view.rowTip(task), "a.iso\nhttps://h/a.iso", "no message")
end)

t.case("finished dates always carry the day; retry times carry it when not today", function()
  local now = os.time({ year = 2026, month = 12, day = 8, hour = 15, min = 0, sec = 0 })
  t.eq(format.dateTime(now - 3600), "2026-12-08 14:00", "today with its date")
  t.eq(format.dateTime(0), "", "never")
  t.eq(format.clockTime(now + 65, now), "15:01:05", "today")
  t.eq(format.clockTime(now + 86400, now), "2026-12-09 15:00:00", "tomorrow")
  t.eq(format.clockTime(nil, now), "", "unknown")
end)

t.finish()
