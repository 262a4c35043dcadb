-- xml_load and xml_save from scripts: file names in the ANSI code page, `\`
-- accepted, the byte-order mark kept across a load and a save.

local dir = ...
assert(dir, "the test directory is the first argument")

local function write_file(name, bytes)
  local f = assert(io.open(dir .. "/" .. name, "wb"))
  f:write(bytes)
  f:close()
end

local function read_file(name)
  local f = io.open(dir .. "/" .. name, "rb")
  if not f then return nil end
  local bytes = f:read("*a")
  f:close()
  return bytes
end

local doc = xml_new()

-- Missing file: false and an empty document.
assert(xml_setdoc(doc, "<r/>") == true)
assert(xml_load(doc, dir .. "/missing.xml") == false)
assert(xml_getdoc(doc) == "")
assert(xml_findElem(doc, "") == false)

-- A UTF-8 file with a mark is saved with the mark again.
local marked = "\239\187\191<r>\228\184\173</r>"
write_file("marked.xml", marked)
assert(xml_load(doc, dir .. "\\marked.xml") == true)
assert(xml_findElem(doc, "r") == true)
assert(xml_getData(doc) == "\214\208")          -- 中 in GBK
assert(xml_setData(doc, "\206\196") == true)     -- 文
assert(xml_save(doc, dir .. "/marked-out.xml") == true)
assert(read_file("marked-out.xml") == "\239\187\191<r>\230\150\135</r>")

-- A GB2312 declaration is read through GBK and written back the same way.
local gbk = '<?xml version="1.0" encoding="GB2312"?><r>\214\208\206\196</r>'
write_file("gbk.xml", gbk)
assert(xml_load(doc, dir .. "/gbk.xml") == true)
assert(xml_save(doc, dir .. "/gbk-out.xml") == true)
assert(read_file("gbk-out.xml") == gbk)

-- A file that loads but is not well formed gives false and keeps its text.
write_file("broken.xml", "<a><b></a>")
assert(xml_load(doc, dir .. "/broken.xml") == false)
assert(xml_getdoc(doc) == "<a><b></a>")

-- File names are ANSI: 中.xml reaches the disk as its UTF-8 name.
assert(xml_setdoc(doc, "<r/>") == true)
assert(xml_save(doc, dir .. "/\214\208.xml") == true)
assert(read_file("\228\184\173.xml") == "<r/>")
assert(xml_load(doc, dir .. "/\214\208.xml") == true)

-- Unwritable: a folder that does not exist.
assert(xml_save(doc, dir .. "/no/such/folder/out.xml") == false)

assert(xml_del(doc) == nil)
local reports = test_reports()
assert(#reports == 0, table.concat(reports, " | "))
