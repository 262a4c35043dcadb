-- Run with VELMORA_ACP=65001: on a UTF-8 system the scripts' code page is
-- UTF-8 itself, so a hand-over's non-ASCII name reaches them, and the
-- engine, unchanged.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local links = require("velmora.links")
local paths = require("velmora.paths")
local engine = require("velmora.engine")

local NAME = "\228\184\173\230\150\135 \240\159\152\128.zip"  -- 中文 😀.zip

t.case("a hand-over's name arrives as it was sent", function()
  local link = assert(links.parse('#clicent#{"url":"http://h/f","name":"' .. NAME .. '"}'))
  t.eq(link.name, NAME, "raw UTF-8")
  local escaped = assert(links.parse('#clicent#{"url":"http://h/f","name":"\\u4e2d\\u6587 \\ud83d\\ude00.zip"}'))
  t.eq(escaped.name, NAME, "escaped")
  t.eq(engine.suggestName(link.url, link.name), NAME, "the engine's name")
end)

t.case("file names need no conversion", function()
  t.eq(paths.ansi("/home/" .. NAME), "/home/" .. NAME, "to the scripts")
  t.eq(paths.native("/home/" .. NAME), "/home/" .. NAME, "to the system")
  local folder = t.scratch("utf8") .. "/" .. NAME
  t.eq(paths.makeDirs(folder), true, "a folder with the name")
  t.eq(paths.isDir(folder), true, "found again")
end)

t.finish()
