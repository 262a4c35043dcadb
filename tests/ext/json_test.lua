-- The JSON decoder and the hand-over parser on valid and hostile input.
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local json = require("velmora.json")
local links = require("velmora.links")

t.case("valid documents decode to Lua values", function()
  local v = assert(json.decode(' {"url":"http://a/b?c=1&d=2","n":-12.5e1,"ok":true,"no":false,"list":[1,"x",[]],"nil":null} '))
  t.eq(v.url, "http://a/b?c=1&d=2", "url")
  t.eq(v.n, -125, "number")
  t.eq(v.ok, true, "true")
  t.eq(v.no, false, "false")
  t.eq(#v.list, 2 + 1, "array length")
  t.eq(v["nil"], nil, "null")
  t.eq(json.decode("[]")[1], nil, "empty array")
  t.eq(json.decode('"\\u00e9\\u4e2d\\ud83d\\ude00\\n\\/"'), "\195\169\228\184\173\240\159\152\128\n/", "escapes")
end)

t.case("hostile text gives nil and a message, never an error", function()
  local hostile = {
    "", " ", "{", "}", "[1,", '{"a" 1}', '{"a":1,}', "[1 2]", '"abc', '"a\nb"', '"\\x"', '"\\u12"',
    "tru", "nul", "-", "1e", "01x", '{"a":1} trailing', "{1:2}", string.rep("[", 100000),
    string.rep('{"a":', 50) .. "1" .. string.rep("}", 50), "\0", "[\"\\ud800\"]",
  }
  for _, text in ipairs(hostile) do
    local ok, value, message = pcall(json.decode, text)
    t.ok(ok, "no error for " .. text:sub(1, 20))
    if text == '["\\ud800"]' then
      t.eq(value[1], "\239\191\189", "a lone surrogate becomes U+FFFD")
    else
      t.eq(value, nil, "value for " .. text:sub(1, 20))
      t.ok(type(message) == "string" and message ~= "", "message for " .. text:sub(1, 20))
    end
  end
  t.eq(select(2, json.decode(nil)), "not text", "non-text")
  t.eq(select(2, json.decode(string.rep(" ", 2 * 1024 * 1024))), "text too long", "size cap")
end)

t.case("a hand-over carries a URL or a JSON object", function()
  t.eq(links.parse("#clicent#http://127.0.0.1/a.zip").url, "http://127.0.0.1/a.zip", "plain URL")
  local link = assert(links.parse('#clicent#{"url":"https://h/x.iso","name":"x.iso","referrer":"https://h/",'
    .. '"cookies":"a=b","userAgent":"UA","fileSize":1234}'))
  t.eq(link.url, "https://h/x.iso", "url")
  t.eq(link.name, "x.iso", "name")
  t.eq(link.referrer, "https://h/", "referrer")
  t.eq(link.cookies, "a=b", "cookies")
  t.eq(link.fileSize, 1234, "size")
  -- Escaped characters come out in the scripts' code page, like raw ones.
  local named = assert(links.parse('#clicent#{"url":"http://h/f","name":"\\u4e2d\\u6587.zip","referrer":"\\ud83d\\ude00"}'))
  t.eq(named.name, "\214\208\206\196.zip", "GBK name")
  t.eq(named.referrer, "?", "a character GBK lacks")
  -- Thousands of distinct escaped characters are each converted, none lost.
  local many = {}
  for code = 0x4e00, 0x4e00 + 3000 do many[#many + 1] = string.format("\\u%04x", code) end
  local big = assert(links.parse('#clicent#{"url":"http://h/f","cookies":"' .. table.concat(many) .. '"}'))
  t.eq(#big.cookies, 2 * 3001, "two GBK bytes for each")
  t.ok(big.cookies:match("^\210\187") and not big.cookies:find("?", 1, true), "all converted")
  t.eq(links.parse("#clicent#{" .. string.rep(" ", 70000) .. "}"), nil, "an over-long hand-over")
end)

t.case("the command line takes the prefix in any case, copy-data exactly", function()
  t.eq(links.fromCommandLine("#CLICENT#http://h/A.zip"), "#clicent#http://h/A.zip", "spelled exactly")
  t.eq(links.fromCommandLine("#clicent#x"), "#clicent#x", "already exact")
  t.eq(links.fromCommandLine("#clicent"), nil, "too short")
  t.eq(links.fromCommandLine("http://h/x"), nil, "a plain link")
  t.eq(links.isClientCommand("#CLICENT#x"), false, "copy-data in capitals")
  t.eq(links.isClientCommand("#clicent#x"), true, "copy-data exact")
end)

t.case("bad hand-overs are refused with a reason", function()
  local bad = {
    "#clicent#", "#clicent#   ", "http://x", "#CLICENT#http://x", '#clicent#{"name":"x"}', "#clicent#{bad json",
    '#clicent#{"url":["x"]}', '#clicent#{"url":"a\\nb"}', '#clicent#["http://x"]',
  }
  for _, text in ipairs(bad) do
    local link, message = links.parse(text)
    t.eq(link, nil, "link for " .. text)
    t.ok(type(message) == "string", "reason for " .. text)
  end
  local link = assert(links.parse('#clicent#{"url":"http://h/f","fileSize":-1,"name":7}'))
  t.eq(link.fileSize, nil, "negative size dropped")
  t.eq(link.name, "7", "numeric name kept as text")
  t.eq(links.parse(42), nil, "non-text")
end)

t.finish()
