-- Formatting, name derivation, the search filter and clipboard dedupe.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local format = require("velmora.format")
local engine = require("velmora.engine")
local filter = require("velmora.filter")
local clipwatch = require("velmora.clipwatch")
local adapter = require("velmora.ui_adapter")
local paths = require("velmora.paths")

t.case("sizes, speeds and time left read as people expect", function()
  local sizes = { [0] = "0 B", [1023] = "1023 B", [1024] = "1.0 KB", [1536] = "1.5 KB", [1048576] = "1.0 MB",
    [150 * 1048576] = "150 MB", [5 * 1024 ^ 4] = "5.0 TB", [-1] = "-" }
  for bytes, text in pairs(sizes) do t.eq(format.size(bytes), text, "size " .. bytes) end
  t.eq(format.size(nil), "-", "unknown")
  t.eq(format.size(0 / 0), "-", "NaN")
  t.eq(format.speed(2048), "2.0 KB/s", "speed")
  t.eq(format.speed(0), "", "idle")
  local left = { [0] = "0s", [59] = "59s", [60] = "1:00", [187] = "3:07", [7509] = "2:05:09", [90000] = "1d 1h", [-1] = "" }
  for seconds, text in pairs(left) do t.eq(format.timeLeft(seconds), text, "time " .. seconds) end
  t.eq(format.timeLeft(math.huge), "", "infinite")
  t.eq(format.percent(50, 200), 25, "percent")
  t.eq(format.percent(5, -1), 0, "unknown total")
  t.eq(format.percent(300, 200), 100, "capped")
end)

t.case("dates show the time today and the day otherwise", function()
  local now = os.time({ year = 2026, month = 12, day = 8, hour = 15, min = 0 })
  t.eq(format.date(now - 3600, now), "14:00", "today")
  t.eq(format.date(now - 86400 * 2, now), "2026-12-06 15:00", "earlier")
  t.eq(format.date(0, now), "", "never")
end)

t.case("names are the engine's: from the URL or the given name, safe as one file name", function()
  local cases = {
    ["http://h/dir/file.zip"] = "file.zip",
    ["http://h/dir/my%20file.iso?x=1#frag"] = "my file.iso",
    ["http://h/dir/"] = "dir",
    ["http://h/"] = "download",
    ["http://h"] = "download",
    ["http://h/..%2F..%2Fetc%2Fpasswd"] = "passwd",
    ["http://h/%2e%2e"] = "download",
    ["http://h/a%00b%0A"] = "a_b_",
  }
  for url, name in pairs(cases) do t.eq(engine.suggestName(url), name, url) end
  t.eq(engine.suggestName("http://h/x.bin", "../\214\208\206\196.iso"), "\214\208\206\196.iso", "given name, base only")
  t.eq(engine.suggestName("http://h/x.bin", "  "), "download", "blank")
  local long = engine.suggestName("http://h/x", string.rep("x", 500) .. ".tar")
  t.ok(#long < 500, "long names shortened")
  -- Long runs that would make a careless scan quadratic.
  local blanks = string.rep(" ", 100000)
  t.eq(engine.suggestName("http://h/y", blanks .. "x" .. blanks), "x", "trimmed")
  t.eq(engine.suggestName("http://h/" .. string.rep("a", 100000) .. "?" .. string.rep("/", 100000)):sub(1, 3), "aaa", "long segment")
  t.eq(engine.suggestName("http://h/x" .. string.rep("/", 100000)), "x", "many slashes")
end)

t.case("the search matches every word in name or URL, as plain text", function()
  local task = { name = "Ubuntu-24.04.iso", url = "http://mirror.example/releases/ubuntu.iso" }
  t.ok(filter.matches(task, filter.words("")), "empty query")
  t.ok(filter.matches(task, filter.words("ubuntu ISO")), "words, any case")
  t.ok(filter.matches(task, filter.words("mirror")), "URL")
  t.ok(not filter.matches(task, filter.words("ubuntu debian")), "every word")
  t.ok(filter.matches(task, filter.words("24.04")), "dot is plain")
  t.ok(not filter.matches(task, filter.words("24%d")), "pattern characters are plain")
  t.ok(not filter.matches(task, filter.words("[")), "no pattern error")
end)

t.case("a copied file link is offered once, never twice", function()
  local known = { ["http://h/known.zip"] = true }
  local watch = clipwatch.new(function(url) return known[url] end)
  t.eq(watch:check("http://h/a.zip"), "http://h/a.zip", "first time")
  t.eq(watch:check("http://h/a.zip"), nil, "unchanged clipboard")
  t.eq(watch:check("something else"), nil, "plain text")
  t.eq(watch:check("  http://h/a.zip \n"), nil, "copied again later")
  local url, known = watch:check("http://h/known.zip")
  t.eq(url, "http://h/known.zip", "already a task is still offered")
  t.eq(known, true, "saying it is in the list")
  t.eq(select(2, watch:check("http://h/other.zip")), false, "a new link is not known")
  t.eq(watch:check("https://h/dir/b.tar.gz?sig=1"), "https://h/dir/b.tar.gz?sig=1", "https with a query")
  t.eq(watch:check("http://h/page"), nil, "no file extension")
  t.eq(watch:check("ftp://h/a.zip"), nil, "other schemes")
  t.eq(watch:check("http://h/a.zip http://h/b.zip"), nil, "several words")
  t.eq(watch:check(string.rep("x", 10000)), nil, "huge text")
  t.eq(watch:check(nil), nil, "no text")
  local primed = clipwatch.new()
  primed:prime("http://h/was-there.zip")
  t.eq(primed:check("http://h/was-there.zip"), nil, "copied before watching started")
  t.eq(primed:check("http://h/new.zip"), "http://h/new.zip", "copied afterwards")
end)

t.case("file names move between the system's bytes and the scripts' code page", function()
  t.eq(paths.ansi("/home/user/x.bin"), "/home/user/x.bin", "ASCII as it is")
  t.eq(paths.ansi("/home/\228\184\173\230\150\135"), "/home/\214\208\206\196", "UTF-8 to GBK")
  t.eq(paths.native("/home/\214\208\206\196"), "/home/\228\184\173\230\150\135", "GBK to UTF-8")
  local none, message = paths.ansi("/x/\240\159\152\128")
  t.ok(none == nil and message ~= nil, "a name GBK cannot spell is refused, not changed")
  t.eq(paths.ansi("it's; $(rm -rf /)"), "it's; $(rm -rf /)", "quoting")
  t.eq(paths.ansi("caf\195\169 'q'"), "caf\168\166 'q'", "quotes in converted names")
end)

t.case("folders are made whole and private, and found again", function()
  local base = t.scratch("folders") .. "/a/\228\184\173\230\150\135"
  t.eq(paths.isDir(base), false, "not yet")
  t.eq(paths.makeDirs(base), true, "made")
  t.eq(paths.isDir(base), true, "there")
  t.eq(paths.exists(base), true, "exists")
  t.eq(paths.makeDirs(base), true, "again")
  local file = base .. "/f.txt"
  t.writeFile(file, "x")
  local ok, message = paths.makeDirs(file)
  t.ok(ok == nil and message ~= nil, "a file in the way")
end)

t.case("free space is found for a folder that does not exist yet", function()
  local free, total = adapter.freeSpace(t.scratch("space") .. "/not/yet/there")
  t.ok(type(free) == "number" and type(total) == "number" and free >= 0 and total >= free, "numbers")
  t.eq(adapter.freeSpace(""), nil, "no path")
  t.eq(adapter.freeSpace("/\0"), nil, "a path cut short")
  t.eq(adapter.freeSpace(nil), nil, "no text")
end)

t.case("the help documents are found where the package or a build keeps them", function()
  local help = require("velmora.help")
  local places = help.candidates("/usr/lib/velmora", help.GUIDE)
  t.eq(places[1], "/usr/lib/velmora/../../share/doc/velmora/user-guide.md", "installed beside the package's docs")
  local asked = {}
  local found = help.find(help.SCRIPTING, function(path)
    asked[#asked + 1] = path
    return path:find("/docs/scripting%.md$") ~= nil
  end)
  t.ok(found and found:find("/docs/scripting%.md$"), "a source tree's docs when not installed")
  t.ok(#asked >= 2, "the installed place was asked first")
  local missing, lookedAt = help.find("nothing.md", function() return false end)
  t.eq(missing, nil, "nothing found")
  t.ok(lookedAt:find("share/doc/velmora/nothing%.md$"), "the message names where it should be")
end)

t.finish()
