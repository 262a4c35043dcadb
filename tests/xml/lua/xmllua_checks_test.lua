-- Registration and the argument checks of the xml_* library: each bad call
-- makes exactly one report and returns no results.

local names = {
  "xml_new", "xml_del", "xml_setdoc", "xml_getdoc", "xml_intoElem", "xml_outElem",
  "xml_addElem", "xml_load", "xml_addChildElem", "xml_findElem", "xml_findChildElem",
  "xml_resetChildPos", "xml_resetMainPos", "xml_resetPos", "xml_getTagName",
  "xml_getChildTagName", "xml_getData", "xml_getChildData", "xml_getAttrib",
  "xml_getChildAttrib", "xml_getAttribName", "xml_save", "xml_insertElem",
  "xml_insertChildElem", "xml_addAttrib", "xml_removeElem", "xml_removeChildElem",
  "xml_setAttrib", "xml_setChildAttrib", "xml_setData", "xml_setChildData",
}

local function escape(text)
  return (text:gsub("[%^%$%(%)%%%.%[%]%*%+%-%?]", "%%%0"))
end

local function expect_report(message)
  local reports = test_reports()
  assert(#reports == 1, "expected one report for '" .. message .. "', got " .. #reports ..
         ": " .. table.concat(reports, " | "))
  local pattern = "^%(error%) %(xmllua:%d+%) " .. escape(message) .. "\n$"
  assert(reports[1]:match(pattern), "report was: " .. reports[1])
end

local function expect_nothing(...)
  assert(select("#", ...) == 0, "expected no results, got " .. select("#", ...))
end

assert(#names == 31)
for _, name in ipairs(names) do
  assert(type(_G[name]) == "function", name .. " is not registered")
end

-- Argument 1 of every function but xml_new must be a document.
for i = 2, #names do
  local f = _G[names[i]]
  expect_nothing(f("doc", "a", "b"))
  expect_report("is not userdata ,can not delete.")
  expect_nothing(f())
  expect_report("is not userdata ,can not delete.")
  expect_nothing(f({}))
  expect_report("is not userdata ,can not delete.")
end

local doc = xml_new()
assert(type(doc) == "userdata")
assert(xml_setdoc(doc, "<r/>") == true)

-- Text arguments: any string or number passes, the report names the type.
local textChecks = {
  { xml_setdoc, "param 2 is not string,type is %s" },
  { xml_addElem, "param 2 is not string,type is %s" },
  { xml_load, "filename is not string,type is %s" },
  { xml_addChildElem, "AddChildElem name is not string,type is %s" },
  { xml_findElem, "FindElem name is not string,type is %s" },
  { xml_findChildElem, "FindChildElem name is not string,type is %s" },
  { xml_getAttrib, "GetAttrib name is not string,type is %s" },
  { xml_getChildAttrib, "GetChildAttrib name is not string,type is %s" },
  { xml_getAttribName, "GetAttribName index is not number,type is %s" },
  { xml_save, "Save filename is not string,type is %s" },
  { xml_insertElem, "InsertElem name is not string,type is %s" },
  { xml_insertChildElem, "InsertChildElem name is not string,type is %s" },
  { xml_addAttrib, "AddAttrib Attrib is not string,type is %s" },
  { xml_setAttrib, "SetAttrib Attrib is not string,type is %s" },
  { xml_setChildAttrib, "SetChildAttrib Attrib is not string,type is %s" },
  { xml_setData, "SetData value is not string or number,type is %s" },
  { xml_setChildData, "SetChildData value is not string or number,type is %s" },
}
for _, check in ipairs(textChecks) do
  local f, message = check[1], check[2]
  expect_nothing(f(doc, true))
  expect_report(string.format(message, "boolean"))
  expect_nothing(f(doc, {}))
  expect_report(string.format(message, "table"))
  expect_nothing(f(doc))
  expect_report(string.format(message, "no value"))
  expect_nothing(f(doc, nil, "v"))
  expect_report(string.format(message, "nil"))
end

-- The value argument of the attribute setters comes third.
local valueChecks = {
  { xml_addAttrib, "AddAttrib value is not string or number,type is %s" },
  { xml_setAttrib, "SetAttrib value is not string or number,type is %s" },
  { xml_setChildAttrib, "SetChildAttrib value is not string or number,type is %s" },
}
for _, check in ipairs(valueChecks) do
  local f, message = check[1], check[2]
  expect_nothing(f(doc, "a", true))
  expect_report(string.format(message, "boolean"))
  expect_nothing(f(doc, "a"))
  expect_report(string.format(message, "no value"))
end

-- A name check fails before the value is looked at.
expect_nothing(xml_setAttrib(doc, false, false))
expect_report("SetAttrib Attrib is not string,type is boolean")

-- GetAttribName takes numbers and numeric strings only.
expect_nothing(xml_getAttribName(doc, "first"))
expect_report("GetAttribName index is not number,type is string")
assert(xml_getAttribName(doc, "0") == "")

-- A failed check changed nothing.
assert(xml_getdoc(doc) == "<r/>")

-- xml_del gives nil on success, nothing on a bad argument.
assert(select("#", xml_del(doc)) == 1)
expect_nothing(xml_del(false))
expect_report("is not userdata ,can not delete.")
assert(#test_reports() == 0)
