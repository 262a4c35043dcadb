-- A start after lang_test.lua chose English in the same configuration
-- folder: the choice holds from the first text on, unless VELMORA_LANG
-- names another language.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local host = require("velmora.host")
local strings = require("velmora.strings")
local format = require("velmora.format")

local expected = os.getenv("VELMORA_LANG") or "en"

t.case("the language in force at start is " .. expected, function()
  t.eq(host.lang_current(), expected, "active")
  local texts = host.lang_texts()
  t.eq(strings.ready, texts.ready, "script texts from the start")
  t.eq(strings.details.file, texts["details.file"], "nested ones too")
  t.eq(format.size(1023), expected == "en" and "1,023 B" or "1023 B", "formats from the start")
end)

t.finish()
