-- File categories: extension lists as typed, a name's kind, and the
-- controller sorting new files into a subfolder per kind.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local categories = require("velmora.categories")
local settings = require("velmora.settings")
local storage = require("velmora.storage")
local engine = require("velmora.engine")
local tasks = require("velmora.tasks")
local fakeEngine = require("fake_engine")

t.case("extension lists are read as typed, and a piece that is no extension is named", function()
  t.eq(table.concat(assert(categories.parseList(" .MP4, mkv\twebm ")), " "), "mp4 mkv webm", "dots, case, commas")
  t.eq(#assert(categories.parseList("")), 0, "an empty list")
  t.eq(select(2, categories.parseList("mp4 ../x")), "../x", "a path piece refused")
  t.eq(select(2, categories.parseList("a*b")), "a*b", "a pattern refused")
  t.eq(settings.check("catVideo", "MP4 .mkv"), "mp4 mkv", "the setting keeps the tidy list")
  t.eq(select(2, settings.check("catVideo", "mp4 %s")), "extensions", "the setting says why not")
  t.eq(settings.defaults().categories, false, "off by default")
end)

t.case("a file's kind comes from its last extension and the user's lists", function()
  local byExt = categories.lists(settings.defaults())
  local cases = {
    { "Movie.MKV", "video" }, { "song.mp3", "audio" }, { "src.tar.gz", "archives" }, { "paper.pdf", "documents" },
    { "setup.exe", "programs" }, { "README", "other" }, { "/tmp/dl.d/file", "other" }, { "x.unknown", "other" },
  }
  for _, case in ipairs(cases) do t.eq(categories.of(case[1], byExt), case[2], case[1]) end
  local values = settings.defaults()
  values.catVideo, values.catDocuments = "pdf", "txt"
  t.eq(categories.of("paper.pdf", categories.lists(values)), "video", "an edited list moves an extension")
  values.catAudio = "not valid!"
  t.eq(categories.of("song.mp3", categories.lists(values)), "audio", "a list that does not read keeps its default")
end)

t.case("with sorting on, new files go into their kind's subfolder, made when missing", function()
  engine.use(fakeEngine.new():functions())
  local base = t.scratch("categories")
  local store = assert(storage.open(base .. "/tasks.db"))
  local ctl = tasks.new({ store = store })
  assert(ctl:load())
  local names = { video = "V", audio = "A", archives = "Z", documents = "D", programs = "P", other = "O" }
  local plain = assert(ctl:add({ "http://127.0.0.1/a.mp4" }, base, { paused = true }))[1]
  t.eq(plain.folder, base, "off: the download folder itself")
  ctl:sortByCategory(categories.lists(settings.defaults()), names)
  local video, other = unpack(assert(ctl:add({ "http://127.0.0.1/b.mp4", "http://127.0.0.1/c" }, base, { paused = true })))
  t.eq(video.folder .. " " .. other.folder, base .. "/V " .. base .. "/O", "by kind")
  t.ok(fs_isDir(base .. "/V"), "folder made")
  t.writeFile(base .. "/blocked", "a file")
  local none, message = ctl:add({ "http://127.0.0.1/d.mp3" }, base .. "/blocked", { paused = true })
  t.eq(none, nil, "a folder that cannot be made stops the add")
  t.ok(tostring(message):find("blocked/A", 1, true), "and names it")
  t.eq(#ctl:all(), 3, "nothing half added")
  store:close()
end)

t.finish()
