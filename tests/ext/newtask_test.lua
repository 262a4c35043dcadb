-- The new-task form: links one a line, each field's problem under its own
-- name, nothing corrected, the engine's options built from what was typed.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local newtask = require("velmora.newtask")
local strings = require("velmora.strings")

local function form(overrides)
  local fields = { links = "http://h/a.iso", folder = "/srv/dl", name = "", connections = "", speedLimit = "",
    checksum = "", paused = false }
  for key, value in pairs(overrides or {}) do fields[key] = value end
  return fields
end

t.case("several links, one a line, blank lines and CRLF allowed", function()
  local request = newtask.check(form({ links = "http://h/a.iso\r\n\n  https://h/b.zip  \nhttp://h/c http://h/d\n" }))
  t.ok(request, "accepted")
  t.eq(#request.urls, 4, "links")
  t.eq(request.urls[2], "https://h/b.zip", "trimmed")
  t.eq(request.folder, "/srv/dl", "folder")
  t.eq(request.paused, false, "starts now")
  t.eq(next(request.options), nil, "no options typed, none passed")
end)

t.case("every problem is reported beside its own field, nothing is corrected", function()
  local request, problems = newtask.check(form({
    links = "http://h/a.iso\nftp://h/b", folder = "relative/dir", connections = "40", speedLimit = "fast",
    checksum = "abc",
  }))
  t.eq(request, nil, "refused")
  t.eq(problems.links, string.format(strings.linksBad, 2, "ftp://h/b"), "the line that is no link")
  t.eq(problems.folder, strings.folderRelative, "relative folder")
  t.eq(problems.connections, string.format(strings.settingRange, 1, 16), "connections out of range")
  t.eq(problems.speedLimit, strings.settingNotNumber, "limit not a number")
  t.eq(problems.checksum, strings.checksumBad, "short checksum")
  t.eq(problems.name, nil, "an empty name is fine")
  local _, empty = newtask.check(form({ links = "  \n ", folder = "" }))
  t.eq(empty.links, strings.linksMissing, "no link at all")
  t.eq(empty.folder, strings.folderMissing, "no folder")
  for _, typed in ipairs({ "0", "-1", "2.5", " 3x" }) do
    local _, p = newtask.check(form({ connections = typed }))
    t.ok(p and p.connections, "connections " .. typed .. " refused")
  end
end)

t.case("a file name only for a single link, and never a path", function()
  local request = newtask.check(form({ name = "  my file.iso " }))
  t.eq(request.name, "my file.iso", "trimmed name")
  local _, problems = newtask.check(form({ links = "http://h/a\nhttp://h/b", name = "x.bin" }))
  t.eq(problems.name, strings.nameForOne, "two links, one name")
  for _, bad in ipairs({ "../x", "a/b", ".", "..", "a\tb" }) do
    local _, p = newtask.check(form({ name = bad }))
    t.eq(p and p.name, strings.nameBad, "name " .. bad)
  end
end)

t.case("connections, limit, checksum and paused reach the engine's options", function()
  local hex = string.rep("aB", 32)
  local request = newtask.check(form({ connections = "8", speedLimit = "512", checksum = "SHA256=" .. hex, paused = true }))
  t.eq(request.options.connections, 8, "connections")
  t.eq(request.options.limit, 512 * 1024, "limit in bytes a second")
  t.eq(request.options.checksum, "sha256=" .. hex:lower(), "checksum as the engine takes it")
  t.eq(request.paused, true, "paused")
  t.eq(newtask.check(form({ speedLimit = "0" })).options.limit, nil, "0 means no limit")
  t.eq(newtask.readChecksum(hex), "sha256=" .. hex:lower(), "bare hex")
  t.eq(newtask.readChecksum("sha256:" .. hex), "sha256=" .. hex:lower(), "colon")
  t.eq(select(2, newtask.readChecksum(hex .. "0")), strings.checksumBad, "65 digits")
  t.eq(select(2, newtask.readChecksum(string.rep("g", 64))), strings.checksumBad, "not hex")
end)

t.finish()
