-- The settings file: defaults, round trip, ranges, damaged files.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local settings = require("velmora.settings")

t.case("a missing file gives the defaults", function()
  local values, notices = settings.load(t.scratch("missing") .. "/settings.xml")
  t.eq(#notices, 0, "notices")
  t.eq(values.concurrent, 3, "concurrent")
  t.eq(values.speedLimit, 0, "limit")
  t.eq(values.clipboard, false, "clipboard watching off")
  t.eq(values.resume, true, "resume")
  t.eq(values.folder, "", "folder")
end)

t.case("saved settings come back, through a temporary file", function()
  local dir = t.scratch("roundtrip")
  local path = dir .. "/new/settings.xml"
  local values = settings.defaults()
  values.concurrent, values.speedLimit, values.folder = 7, 2048, "/srv/downloads & <more>"
  values.clipboard, values.resume, values.notify, values.connections = true, false, true, 8
  assert(settings.save(values, path))
  t.eq(t.readFile(path .. ".tmp"), nil, "no temporary file left")
  local loaded, notices = settings.load(path)
  t.eq(#notices, 0, "notices")
  for _, field in ipairs(settings.fields) do t.eq(loaded[field.key], values[field.key], field.key) end
  -- Saving again replaces the file whole.
  values.concurrent = 2
  assert(settings.save(values, path))
  t.eq(settings.load(path).concurrent, 2, "second save")
end)

t.case("values out of range are brought into it, nonsense is ignored", function()
  local path = t.scratch("ranges") .. "/settings.xml"
  t.writeFile(path, "<settings version=\"1\"><concurrent>50</concurrent><speedLimit>-5</speedLimit>"
    .. "<connections>abc</connections><clipboard>maybe</clipboard><unknown>1</unknown></settings>")
  local values, notices = settings.load(path)
  t.eq(#notices, 0, "a readable file is not damaged")
  t.eq(values.concurrent, 20, "upper bound")
  t.eq(values.speedLimit, 0, "lower bound")
  t.eq(values.connections, 4, "default for text")
  t.eq(values.clipboard, false, "default for a bad flag")
  t.eq(settings.coerce("concurrent", "0"), 1, "zero tasks")
  t.eq(settings.coerce("concurrent", "2.9"), 2, "fractions")
  t.eq(settings.coerce("nothing", 1), nil, "unknown key")
  t.eq(settings.coerce("folder", "relative/dir"), nil, "relative folder")
  t.eq(settings.coerce("folder", " /srv/dl "), "/srv/dl", "blanks trimmed")
  t.eq(settings.coerce("folder", ""), "", "empty folder")
  t.eq(settings.coerce("folder", string.rep(" ", 100000) .. "/x" .. string.rep(" ", 100000)), "/x", "long blanks")
end)

t.case("a damaged file is set aside and the defaults are used", function()
  local dir = t.scratch("damaged")
  local path = dir .. "/settings.xml"
  for _, bytes in ipairs({ "<settings><concurrent>5</concurrent", "\0\1\2garbage", "<other/>" }) do
    t.writeFile(path, bytes)
    local values, notices = settings.load(path)
    t.eq(values.concurrent, 3, "default")
    t.eq(#notices, 1, "notice")
    t.eq(notices[1].kind, "settings-set-aside", "kind")
    t.eq(t.readFile(notices[1].file), bytes, "kept aside")
    t.eq(t.readFile(path), nil, "original moved")
  end
  -- Saving afterwards works normally.
  assert(settings.save(settings.defaults(), path))
  t.eq(#select(2, settings.load(path)), 0, "clean after save")
end)

t.case("a folder whose name is not ASCII holds the file like any other", function()
  local dir = t.scratch("\228\184\173\230\150\135")
  local values = settings.defaults()
  values.concurrent = 9
  values.folder = "/srv/\214\208"
  assert(settings.save(values, dir .. "/settings.xml"))
  local loaded, notices = settings.load(dir .. "/settings.xml")
  t.eq(#notices, 0, "not taken for damaged")
  t.eq(loaded.concurrent, 9, "value")
  t.eq(loaded.folder, values.folder, "ANSI text kept")
end)

t.case("an unwritable folder is an error, not a crash", function()
  local dir = t.scratch("blocked")
  t.writeFile(dir .. "/file", "x")
  local ok, message = settings.save(settings.defaults(), dir .. "/file/settings.xml")
  t.eq(ok, nil, "result")
  t.ok(type(message) == "string", "message")
end)

t.case("the default location follows XDG_CONFIG_HOME", function()
  local home = os.getenv("XDG_CONFIG_HOME")
  if home then t.eq(settings.path(), home .. "/velmora/settings.xml", "path") end
end)

t.case("the settings page takes a typed value as it is or says why not", function()
  t.eq(settings.check("concurrent", " 7 "), 7, "a whole number in range")
  for typed, why in pairs({ ["99"] = "range", ["0"] = "range", ["abc"] = "number", ["2.5"] = "number", [""] = "number",
    ["-1"] = "number" }) do
    local value, problem, field = settings.check("concurrent", typed)
    t.eq(value, nil, typed .. " not taken")
    t.eq(problem, why, typed .. " reason")
    t.eq(field.max, 20, "the range comes along")
  end
  t.eq(select(2, settings.check("connections", "50")), "range", "50 connections")
  t.eq(select(2, settings.check("folder", "relative")), "relative", "relative folder")
  t.eq(settings.check("folder", ""), "", "no folder: the save location decides")
  t.eq(select(2, settings.check("nothing", "1")), "unknown", "unknown key")
  t.eq(settings.check("duplicateAction", "skip"), "skip", "a kept duplicate answer")
  t.eq(settings.check("duplicateAction", "explode"), nil, "no such answer")
  t.eq(settings.defaults().closeToTray, false, "closing quits unless asked otherwise")
  t.eq(settings.defaults().duplicateAction, "ask", "duplicates are asked about")
end)

t.finish()
