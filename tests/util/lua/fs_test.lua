-- fs_* from a script, under the default code page (936). Argument 1: an
-- empty scratch folder (ASCII path).
local dir = ...

local function nothing(...) return select('#', ...) == 0 end
local function expect_report(pattern)
  local reports = test_reports()
  assert(#reports == 1, "expected one report, got " .. #reports)
  assert(string.find(reports[1], pattern), reports[1])
end
local function refused(cause, ok, message, why)
  assert(ok == nil, "expected a refusal, got " .. tostring(ok))
  assert(type(message) == "string" and message ~= "", "a refusal says why")
  assert(why == cause, "cause " .. tostring(why) .. ", expected " .. cause)
end

local zhongwen = "\214\208\206\196"        -- 中文 in GBK
local zhongwenNative = "\228\184\173\230\150\135"

-- Folders: nested and non-ASCII in one go; again is no error.
local deep = dir .. "/a/" .. zhongwen .. "/c"
assert(fs_makeDirs(deep) == true)
assert(fs_isDir(deep) == true and fs_exists(deep) == true)
assert(fs_makeDirs(deep) == true)
assert(fs_makeDirs(dir .. "/private", true) == true)

-- A file where a folder should go.
local file = dir .. "/plain.txt"
local f = assert(io.open(dir .. "/plain.txt", "wb"))
f:write("x")
f:close()
assert(fs_exists(file) == true and fs_isDir(file) == false)
refused("disk", fs_makeDirs(file))
refused("disk", fs_makeDirs(file .. "/below"))
assert(fs_exists(dir .. "/missing") == false)

-- A zero byte would cut the path short: refused, not followed.
refused("bad-input", fs_makeDirs(dir .. "/cut\0/../escape"))
refused("bad-input", fs_exists(file .. "\0.txt"))
refused("bad-input", fs_freeSpace(""))

-- Free space: a folder still to be made is answered for where it will be.
local available, total = fs_freeSpace(dir .. "/not/yet/there")
assert(type(available) == "number" and type(total) == "number", tostring(available))
assert(total > 0 and available <= total)

-- Names: the code page and UTF-8 both ways; what one side cannot spell, or
-- bytes that are no text, are refused rather than changed.
assert(fs_toNative("/home/" .. zhongwen) == "/home/" .. zhongwenNative)
assert(fs_fromNative("/home/" .. zhongwenNative) == "/home/" .. zhongwen)
assert(fs_fromNative("it's; $(rm -rf /)") == "it's; $(rm -rf /)")
assert(fs_fromNative("caf\195\169 'q'") == "caf\168\166 'q'")
refused("unsupported", fs_fromNative("/x/\240\159\152\128"))
refused("bad-input", fs_fromNative("\192\175"))
refused("bad-input", fs_toNative("\255"))
assert(fs_toNative("") == "" and fs_fromNative("") == "")

-- Wrong types: reported, and nothing comes back. (The folder helper has
-- reported the refusals above on its own; those are not counted.)
test_reports()
for _, call in ipairs({ fs_makeDirs, fs_freeSpace, fs_exists, fs_isDir, fs_toNative, fs_fromNative }) do
  assert(nothing(call(nil)))
  expect_report("is not a string")
end
assert(nothing(fs_isDir(12)))
expect_report("argument 1 is not a string, type is number")
