-- Duplicates: links in the list or files on disk found for a batch, and
-- what each answer adds and acts on.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local duplicates = require("velmora.duplicates")

local tasks = { { id = 1, url = "http://h/listed.iso" } }
local onDisk = { ["/dl/there.zip"] = true }
local probe = {
  suggestName = function(url, name) return name or url:match("[^/]+$") end,
  exists = function(path) return onDisk[path] == true end,
}
local urls = { "http://h/new.bin", "http://h/listed.iso", "http://h/there.zip" }

t.case("a link in the list and a file on disk are both found", function()
  local found = duplicates.find(urls, "/dl", nil, tasks, probe)
  t.eq(#found, 2, "two duplicates")
  t.eq(found[1].task, tasks[1], "the listed task")
  t.eq(found[2].file, "/dl/there.zip", "the file on disk")
  t.eq(#duplicates.find({ "http://h/new.bin" }, "/dl", nil, tasks, probe), 0, "a new link")
  t.eq(#duplicates.find({ "http://h/other" }, "/dl", "there.zip", {}, probe), 1, "the given name decides the file")
  t.eq(#duplicates.find({ "http://h/x" }, "/dl", nil, {}, { suggestName = function() return nil end,
    exists = function() error("asked about no file") end }), 0, "no name, nothing asked")
end)

t.case("each answer adds new links and does the right thing with the rest", function()
  local found = duplicates.find(urls, "/dl", nil, tasks, probe)
  local add, act = duplicates.apply(urls, found, "skip")
  t.eq(#add, 1, "skip adds only the new link")
  t.eq(add[1], "http://h/new.bin", "the new link")
  t.eq(#act, 0, "skip touches nothing")
  add, act = duplicates.apply(urls, found, "open")
  t.eq(#add, 1, "open adds only the new link")
  t.eq(#act, 2, "and opens both existing ones")
  add, act = duplicates.apply(urls, found, "rename")
  t.eq(#add, 3, "rename adds all")
  t.eq(#act, 0, "and removes nothing")
  add, act = duplicates.apply(urls, found, "replace")
  t.eq(#add, 3, "replace adds all")
  t.eq(#act, 2, "after removing both existing ones")
end)

t.finish()
