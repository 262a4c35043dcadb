-- The dl_* functions and http_get as a script sees them.
-- Arguments: base URL of the test server, a writable folder.
local base, dir = ...

local function reportsMatching(pattern)
  local n = 0
  for _, report in ipairs(test_reports()) do
    if report:find(pattern) then n = n + 1 end
  end
  return n
end

-- A plain download, waited for without a window.
local id = dl_add(base .. "/file.bin", dir)
assert(type(id) == "number", "dl_add gives an id")
assert(dl_wait(id, 10000) == "done")
local info = dl_info(id)
assert(info.id == id and info.state == "done", info.state)
assert(info.url == base .. "/file.bin")
assert(info.name == "file.bin" and info.file == dir .. "/file.bin", info.file)
assert(info.done == 100000 and info.total == 100000, info.done)
assert(info.eta == 0 and info.speed == 0)
assert(info.code == nil and info.error == nil and info.cause == nil)
assert(info.added > 0 and info.finished >= info.added)
local found = false
for _, listed in ipairs(dl_list()) do found = found or listed == id end
assert(found, "dl_list holds the task")

-- Failures are data: the cause, the code and its message.
local missing = dl_add(base .. "/missing", dir)
assert(dl_wait(missing, 10000) == "failed")
local failed = dl_info(missing)
assert(failed.code == 23 and failed.error == "server answered 404 Not Found", failed.error)
assert(failed.cause == "http-status" and failed.httpStatus == 404, failed.cause)

-- Options: a name in the ANSI code page (GBK here), not started, a digest.
local gbkName = "\214\208\206\196.bin"
local later = dl_add(base .. "/file.bin", dir, {name = gbkName, start = false, connections = 2,
  sha256 = "SHA_OF_FILE"})
assert(dl_info(later).state == "paused")
assert(dl_wait(later, 50) == "paused")
assert(dl_start(later) == true)
assert(dl_wait(later, 10000) == "done", dl_info(later).error)
assert(dl_info(later).name == gbkName)
local checked = dl_info(later)
assert(checked.checksumAlgorithm == "sha256" and checked.checksumSource == "option", checked.checksumSource)
assert(checked.checksumState == "verified", checked.checksumState)
assert(checked.connections == 0 and checked.retryAt == nil)
assert(info.checksumState == "none" and info.checksumAlgorithm == nil)

-- A digest the file does not have: cause "checksum", nothing under the name.
local wrong = dl_add(base .. "/file.bin", dir, {name = "wrong.bin", checksum = "MD5=00000000000000000000000000000000"})
assert(dl_wait(wrong, 10000) == "failed")
assert(dl_info(wrong).cause == "checksum" and dl_info(wrong).checksumState == "mismatch")

-- A web page where the link names an archive; "save it anyway" keeps it.
local page = dl_add(base .. "/page.zip", dir)
assert(dl_wait(page, 10000) == "failed")
assert(dl_info(page).cause == "web-page", dl_info(page).cause)
assert(dl_restart(page, {acceptWebPage = true}) == true)
assert(dl_wait(page, 10000) == "done", dl_info(page).error)

-- A link refreshed: the failed task continues from the new URL.
local expired = dl_add(base .. "/missing", dir, {name = "refreshed.bin"})
assert(dl_wait(expired, 10000) == "failed")
assert(dl_setUrl(expired, base .. "/file.bin") == true)
assert(dl_info(expired).url == base .. "/file.bin")
assert(dl_start(expired) == true)
assert(dl_wait(expired, 10000) == "done", dl_info(expired).error)
local notNow, notWhy, notCause = dl_setUrl(expired, "ftp://example/x")
assert(notNow == nil and type(notWhy) == "string" and notCause == "bad-input", tostring(notCause))
notNow, notWhy, notCause = dl_setUrl(4242, base .. "/file.bin")
assert(notNow == nil and notWhy == "no task 4242" and notCause == "bad-input")
notNow, notWhy, notCause = dl_restart(4242)
assert(notNow == nil and notWhy == "no task 4242" and notCause == "bad-input")

-- A task's own limit changes at any time and shows in its info; bad ids
-- and values are refused with the cause, never taken silently.
local limitOk = dl_setTaskLimit(expired, 300000)
assert(limitOk == true and dl_info(expired).limit == 300000)
assert(dl_setTaskLimit(expired, 0) == true and dl_info(expired).limit == 0)
notNow, notWhy, notCause = dl_setTaskLimit(4242, 1000)
assert(notNow == nil and notWhy == "no task 4242" and notCause == "bad-input")
for _, bad in ipairs({ -1, 2.5, "fast", 1e300 }) do
  notNow, notWhy, notCause = dl_setTaskLimit(expired, bad)
  assert(notNow == nil and notWhy:find("whole number", 1, true) and notCause == "bad-input", tostring(bad))
end

-- Pause keeps the partial file and returns once paused; remove forgets.
dl_setLimit(200000)
local slow = dl_add(base .. "/file.bin", dir, {name = "slow.bin", limit = 150000})
assert(dl_info(slow).limit == 150000)
dl_wait(slow, 150)
assert(dl_pause(slow) == true)
assert(dl_info(slow).state == "paused")
assert(dl_remove(slow, true) == true)
local gone, message = dl_info(slow)
assert(gone == nil and message == "no task " .. slow, message)
dl_setLimit(0)

-- Limits and counts out of range are bad arguments: reported, no result.
test_reports()
assert(select("#", dl_setMaxActive(0)) == 0)
assert(select("#", dl_setMaxActive(21)) == 0)
assert(select("#", dl_setStallTimeout(0)) == 0)
assert(select("#", dl_add()) == 0)
assert(select("#", dl_add(base, dir, "options")) == 0)
assert(select("#", dl_add(base, dir, {limit = -1})) == 0)
assert(select("#", dl_info("x")) == 0)
assert(select("#", dl_wait(id)) == 0)
assert(select("#", http_get(base, {"not a pair"})) == 0)
assert(select("#", dl_setConnections(0)) == 0)
assert(select("#", dl_setConnections(17)) == 0)
assert(select("#", dl_add(base, dir, {connections = 2.5})) == 0)
assert(reportsMatching("^%(error%) %(DownloadScriptLibrary:%d+%)") == 12)
assert(dl_setMaxActive(1) == true and dl_setStallTimeout(5) == true and dl_setLimit(0) == true)
assert(dl_setConnections(16) == true and dl_setConnections(4) == true)
local badProxy, proxyWhy = dl_setProxy("gopher://proxy")
assert(badProxy == nil and type(proxyWhy) == "string", tostring(proxyWhy))
assert(dl_setProxy("") == true)

-- Bad input that is well typed fails with nil and a message.
local none, why = dl_add("ftp://example/x", dir)
assert(none == nil and why == "not an http:// or https:// URL", why)
none, why = dl_add(base .. "/x", dir .. "/no such folder")
assert(none == nil and why:find("folder does not exist", 1, true), why)
none, why = dl_add(base .. "/x", dir, {sha256 = "12"})
assert(none == nil and why == "sha256 must be 64 hexadecimal digits", why)
none, why = dl_add(base .. "/x", dir, {checksum = "crc32=00000000"})
assert(none == nil and why:find("crc32", 1, true), why)
none, why = dl_add(base .. "/x", dir, {headers = {Cookie = "a\r\nX-Evil: 1"}})
assert(none == nil and why:find("control character", 1, true), why)
none, why = dl_add(base .. "/x", dir, {headers = {"no colon here"}})
assert(none == nil and why:find("colon", 1, true), why)
none, why = dl_start(4242)
assert(none == nil and why == "no task 4242")

-- http_get: status, body and headers; request headers travel.
local status, body, headers = http_get(base .. "/echo", {["X-Test"] = "value 1"})
assert(status == 200, status)
assert(body == "X-Test: value 1", body)
assert(headers["content-type"] == "text/plain", headers["content-type"])
status, body = http_get(base .. "/missing")
assert(status == 404 and body == "not here!")
none, why = http_get(base .. "/echo", {["X-Bad"] = "a\r\nInjected: 1"})
assert(none == nil and why:find("not a valid header", 1, true), why)
none, why = http_get("http://127.0.0.1:REFUSED/")
assert(none == nil and why:find("connection refused", 1, true), why)
