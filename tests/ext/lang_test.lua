-- The scripts' texts and formats from the host's catalogues: the nested
-- texts built from the active catalogue, switching language in place, the
-- English catalogue complete, and the settings page's language choice kept
-- for the next start (lang_persist_test.lua reads it back).
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local t = require("testkit")
local host = require("velmora.host")
local strings = require("velmora.strings")
local format = require("velmora.format")
local language = require("velmora.language")
local settingsPage = require("velmora.settings_page")
local app = require("velmora.app")

-- The text at a dotted key of the nested texts, or nil.
local function at(key)
  local node = strings
  for part in key:gmatch("[^.]+") do
    if type(node) ~= "table" then return nil end
    node = node[part]
  end
  return node
end

local function scriptKey(key) return not key:match("^host%.") and not key:match("^meta%.") and not key:match("^format%.") end

local function conversions(text)
  local out = {}
  for letter in text:gsub("%%%%", ""):gmatch("%%[-+ #0]*%d*%.?%d*(%a)") do out[#out + 1] = letter end
  return table.concat(out)
end

-- A run before this one may have left a choice behind.
assert(host.lang_set("zh_CN"))
strings.reload()
local defaultTexts = host.lang_texts()

t.case("the texts are the default catalogue's, nested at the dots, without the host's or the formats", function()
  t.eq(host.lang_current(), "zh_CN", "the default")
  local count = 0
  for key, text in pairs(defaultTexts) do
    if scriptKey(key) then
      t.eq(at(key), text, key)
      count = count + 1
    else
      t.eq(at(key), nil, key .. " stays out of the script texts")
    end
  end
  t.ok(count > 100, "every script text is there (" .. count .. ")")
  t.eq(#strings.misplaced, 0, "no key clashes with another")
  -- Texts the modules reach by nested keys, with names that are not Lua names.
  t.eq(strings.reasons["tls-certificate"], defaultTexts["reasons.tls-certificate"], "dashed key")
  t.eq(strings.details.checksumStates.ok, defaultTexts["details.checksumStates.ok"], "three levels")
  t.eq(type(strings.reload), "function", "reload kept among the texts")
end)

t.case("the default language formats numbers and times as it always has", function()
  local when = os.time({ year = 2026, month = 12, day = 9, hour = 14, min = 5, sec = 9 })
  t.eq(format.dateTime(when), "2026-12-09 14:05", "date and time")
  t.eq(format.clockTime(when, when), "14:05:09", "clock today")
  t.eq(format.date(when, when + 86400 * 2), "2026-12-09 14:05", "another day")
  t.eq(format.size(1023), "1023 B", "no digit grouping")
  t.eq(format.size(1536 * 1024), "1.5 MB", "one decimal")
  t.eq(format.speed(0, true), "0 B/s", "idle speed when asked for")
  t.eq(format.speed(0), "", "idle speed in a row")
end)

t.case("reload switches every text in place, the tables modules hold included", function()
  local details, states, reasons, root = strings.details, strings.details.checksumStates, strings.reasons, strings
  local before = strings.ready
  t.ok(host.lang_set("en"), "English chosen")
  strings.reload()
  local english = host.lang_texts()
  t.ok(strings == root and strings.details == details and strings.details.checksumStates == states
    and strings.reasons == reasons, "the same tables")
  t.eq(strings.ready, english.ready, "a top-level text")
  t.ok(strings.ready ~= before, "a different text")
  t.eq(details.file, english["details.file"], "through a held table")
  t.eq(states.ok, english["details.checksumStates.ok"], "two levels down")
  t.eq(reasons["http-status"], english["reasons.http-status"], "dashed key")
  for key, text in pairs(english) do
    if scriptKey(key) then t.eq(at(key), text, key) end
  end
  -- Back again: nothing of the English is left behind.
  t.ok(host.lang_set("zh_CN"), "default chosen")
  strings.reload()
  t.eq(details.file, defaultTexts["details.file"], "the default again")
  t.eq(format.size(1023), "1023 B", "formats follow")
end)

t.case("English formats: grouped digits, month names, the same units", function()
  t.ok(host.lang_set("en"), "English chosen")
  strings.reload()
  local when = os.time({ year = 2026, month = 12, day = 9, hour = 14, min = 5, sec = 9 })
  t.eq(format.dateTime(when), "Dec 9, 2026 14:05", "date and time")
  t.eq(format.dateTime(os.time({ year = 2027, month = 1, day = 23, hour = 8, min = 0 })), "Jan 23, 2027 08:00",
    "another month")
  t.eq(format.clockTime(when, when), "14:05:09", "clock today")
  t.eq(format.clockTime(when, when + 86400), "Dec 9, 2026 14:05:09", "clock on another day")
  t.eq(format.date(when, when), "14:05", "today")
  t.eq(format.size(1023), "1,023 B", "grouped bytes")
  t.eq(format.size(1023 * 1024), "1,023 KB", "grouped units")
  t.eq(format.size(1536 * 1024 * 1024), "1.5 GB", "decimal point")
  t.eq(format.size(5000 * 1024 ^ 4), "5,000 TB", "past the largest unit")
  t.eq(format.size(-1), "-", "unknown")
  t.eq(format.speed(2048), "2.0 KB/s", "speed")
  t.eq(format.number(1234567.25, 2), "1,234,567.25", "a long number")
  t.eq(format.number(-1234, 0), "-1,234", "a negative one")
  t.eq(format.timeLeft(45), "45s", "seconds")
  t.eq(format.timeLeft(3 * 86400 + 4 * 3600), "3d 4h", "days")
  host.lang_set("zh_CN")
  strings.reload()
end)

t.case("counted texts take the singular form for one thing where the language has one", function()
  t.ok(host.lang_set("en"), "English chosen")
  strings.reload()
  t.eq(string.format(strings.count("added", 1), 1), "Added 1 task", "one")
  t.eq(string.format(strings.count("added", 2), 2), "Added 2 tasks", "two")
  t.eq(string.format(strings.count("added", 0), 0), "Added 0 tasks", "none")
  t.eq(strings.counted("rejected", 1) .. "|" .. strings.counted("rejected", 3),
    string.format(strings["rejected:one"], 1) .. "|" .. string.format(strings.rejected, 3), "counted puts the number in")
  host.lang_set("zh_CN")
  strings.reload()
  t.eq(strings.count("added", 1), strings.added, "Chinese has one form")
  t.eq(strings["added:one"], nil, "and no English one left behind")
end)

t.case("formats a catalogue leaves out keep the default's; date parts are text around names", function()
  format.reload({ ["format.thousands"] = "'" })
  t.eq(format.speed(2048), "2.0 KB/s", "speed keeps the default pattern")
  t.eq(format.timeLeft(45), "45s", "seconds keep the default pattern")
  t.eq(format.size(1023), "1'023 B", "a value given is taken")
  -- Date patterns are text around their parts: a % is a %, not a conversion.
  format.reload({ ["format.dateTime"] = "{dayNumber}.{month}. 100% {hour}h {nonsense}" })
  t.eq(format.dateTime(os.time({ year = 2026, month = 3, day = 7, hour = 9, min = 5 })), "7.03. 100% 09h {nonsense}",
    "parts, plain text and an unknown part as written")
  format.reload()
  t.eq(format.size(1023), "1023 B", "the host's formats again")
end)

t.case("English has its own text for every key, with the same placeholders in the same order", function()
  -- The same in both by design: texts without words, the language label, and
  -- the drive folder's name on disk.
  local same = {
    ["details.bytesOf"] = true, ["details.none"] = true, ["details.checksumWith"] = true, ["languageEntry"] = true,
    ["settings.language"] = true, ["saveFolder"] = true,
  }
  t.ok(host.lang_set("en"), "English chosen")
  local english = host.lang_texts()
  host.lang_set("zh_CN")
  local untranslated = {}
  for key, text in pairs(defaultTexts) do
    t.ok(english[key] ~= nil, key .. " falls back at least")
    if not key:match("^format%.") and not same[key] and english[key] == text then
      untranslated[#untranslated + 1] = key
    end
    if not key:match("^format%.") then
      t.eq(conversions(english[key]), conversions(text), key .. " placeholders")
    end
  end
  table.sort(untranslated)
  t.eq(table.concat(untranslated, ", "), "", "keys English lacks")
  t.eq(english["meta.name"], "English", "its own name")
end)

t.case("the languages are offered by name and found by code or name", function()
  local list = language.list()
  t.ok(#list >= 2, "at least the default and English")
  t.eq(language.find(list, "en"), "en", "by code")
  t.eq(language.find(list, " EN "), "en", "any case, blanks around")
  t.eq(language.find(list, "english"), "en", "by its own name")
  t.eq(language.find(list, "zh_cn"), "zh_CN", "the default by code")
  t.eq(language.find(list, language.nameOf("zh_CN", list)), "zh_CN", "the default by its own name")
  t.eq(language.find(list, "xx"), nil, "no such language")
  t.eq(language.find(list, ""), nil, "nothing typed")
  t.eq(language.find(list, "../en"), nil, "no path")
  local choices = language.choices(list)
  t.ok(choices:find("English (en)", 1, true), "English offered: " .. choices)
  t.ok(choices:find("(zh_CN)", 1, true), "the default offered")
end)

-- A stand-in window: controls are their names, texts are kept per name.
local shown = {}
-- Each ui_applyLanguage: its manager, the language then, and whether the
-- scripts had written any text of theirs since `shown` was last emptied.
local applied = {}
host.use({
  ui_applyLanguage = function(pm)
    applied[#applied + 1] = { pm = pm, code = host.lang_current(), scriptsWrote = next(shown) ~= nil }
    return 0
  end,
  ui_findControl = function(_, name) return name end,
  ui_setText = function(control, text) shown[control] = text end,
  ui_setSelected = function() end,
  ui_setVisible = function() end,
})

t.case("an unknown language stays typed with the problem beside it; nothing changes", function()
  app.state.pm = "pm"
  local code, problem = app.changeSetting("language", "Klingon")
  t.eq(#applied, 0, "the window's texts untouched")
  t.eq(code, nil, "not taken")
  t.eq(problem, string.format(strings.languageUnknown, "Klingon"), "the problem")
  t.eq(shown[settingsPage.LANGUAGE_EDIT], "Klingon", "the field keeps what was typed")
  t.eq(shown[settingsPage.LANGUAGE_EDIT .. "_err"], problem, "the problem beside it")
  t.eq(host.lang_current(), "zh_CN", "still the default")
  t.eq(strings.ready, defaultTexts.ready, "texts unchanged")
end)

t.case("choosing English on the settings page switches the texts and keeps the choice", function()
  app.state.pm = "pm"
  for name in pairs(shown) do shown[name] = nil end
  local code = app.changeSetting("language", "English")
  t.eq(code, "en", "taken")
  t.eq(#applied, 1, "the window's layout texts follow once")
  t.eq(applied[1].pm, "pm", "on the main window")
  t.eq(applied[1].code, "en", "after the switch")
  t.eq(applied[1].scriptsWrote, false, "before the scripts write theirs, which the host then leaves alone")
  t.eq(host.lang_current(), "en", "active in the host")
  t.eq(strings.ready, host.lang_texts().ready, "the scripts' texts follow")
  t.eq(shown[settingsPage.LANGUAGE_EDIT], "English", "the field shows it by name")
  t.eq(shown[settingsPage.LANGUAGE_EDIT .. "_err"], "", "no problem shown")
  t.eq(shown.languagelabel, defaultTexts["settings.language"], "the label reads the same in every language")
  t.eq(app.state.message, string.format(strings.languageChanged, "English"), "the switch is announced")
  -- The same again (the field losing focus) changes nothing and says nothing.
  app.state.message = nil
  t.eq(app.changeSetting("language", "English"), nil, "nothing to do")
  t.eq(#applied, 1, "nothing applied again")
  t.eq(app.state.message, nil, "nothing said")
  t.eq(app.changeSetting("language", "  "), nil, "an emptied field is no choice")
  t.eq(shown[settingsPage.LANGUAGE_EDIT], "English", "the field shows the language again")
  t.eq(host.lang_current(), "en", "still English")
  local stored = t.readFile(os.getenv("XDG_CONFIG_HOME") .. "/velmora/language")
  t.ok(stored and stored:match("^en%s*$"), "kept for the next start: " .. tostring(stored))
end)

t.case("a drive's download folder keeps its name on disk in English", function()
  local actions = require("velmora.actions")
  assert(host.lang_set("en"))
  strings.reload()
  local state = require("velmora.state")
  local pm = state.pm
  state.pm = nil -- the list itself is not what this case is about
  actions.setSaveLocations('[{"id":1,"name":"E","szPath":"/media/e/"},{"ID":0,"name":"x","szPath":""}]')
  t.eq(state.locations[1].path, "/media/e/" .. defaultTexts.saveFolder, "the folder the host makes")
  t.eq(state.locations[2].name, strings.computer, "the default location in English")
  state.pm = pm
end)

host.use(nil)
t.finish()
