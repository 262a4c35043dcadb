-- Reading and editing through the xml_* library: results, value rules and
-- the ANSI (GBK) text conversion.

local function expect_no_reports()
  local reports = test_reports()
  assert(#reports == 0, table.concat(reports, " | "))
end

local doc = xml_new()
assert(xml_getdoc(doc) == "")
assert(xml_findElem(doc, "r") == false)
assert(xml_setdoc(doc, "") == false)
assert(xml_setdoc(doc, "<a/><b/>") == false)

assert(xml_setdoc(doc, '<r a="1" b="x &amp; y" c><c>7</c><d/></r>') == true)
assert(xml_findElem(doc, "r") == true)
assert(xml_getTagName(doc) == "r")
assert(xml_getAttrib(doc, "a") == "1")
assert(xml_getAttrib(doc, "b") == "x & y")
assert(xml_getAttrib(doc, "missing") == "")
assert(xml_getAttribName(doc, 0) == "a")
assert(xml_getAttribName(doc, 1.9) == "b")     -- truncated toward zero
assert(xml_getAttribName(doc, 3) == "")
assert(xml_getAttribName(doc, -0.5) == "a")    -- -0.5 truncates to 0
assert(xml_getAttribName(doc, -1) == "")
assert(xml_getAttribName(doc, 1e300) == "")    -- far out of range, not undefined
assert(xml_getAttribName(doc, 0/0) == "a")     -- NaN reads as 0

assert(xml_findChildElem(doc, "c") == true)
assert(xml_getChildTagName(doc) == "c")
assert(xml_getChildData(doc) == "7")
assert(xml_getChildAttrib(doc, "x") == "")

-- The moves return nothing, even when they fail.
assert(select("#", xml_intoElem(doc)) == 0)
assert(xml_getTagName(doc) == "c")
assert(select("#", xml_outElem(doc)) == 0)
assert(xml_getTagName(doc) == "r")
assert(select("#", xml_resetChildPos(doc)) == 0)
assert(select("#", xml_resetMainPos(doc)) == 0)
assert(xml_getTagName(doc) == "")
assert(select("#", xml_resetPos(doc)) == 0)
assert(select("#", xml_outElem(doc)) == 0)

-- Numbers are accepted where names are expected.
assert(xml_setdoc(doc, '<r 5="five"><n>x</n></r>') == true)
assert(xml_findElem(doc, "") == true)
assert(xml_getAttrib(doc, 5) == "five")

-- Setter values: strings, numbers in their interpreter form.
assert(xml_findChildElem(doc, "n") == true)
assert(xml_setChildData(doc, 7) == true)
assert(xml_getChildData(doc) == "7")
assert(xml_setChildData(doc, 2.5) == true)
assert(xml_getChildData(doc) == "2.5")
assert(xml_setChildAttrib(doc, "v", 'a"b<') == true)
assert(xml_getChildAttrib(doc, "v") == 'a"b<')
assert(xml_setAttrib(doc, "k", 3) == true)
assert(xml_addAttrib(doc, "m", "q") == true)
assert(xml_getAttrib(doc, "k") == "3")
assert(xml_getAttrib(doc, "m") == "q")
assert(xml_setData(doc, "t") == false)          -- r has a child element
assert(xml_getdoc(doc) == '<r 5="five" k="3" m="q"><n v="a&quot;b&lt;">2.5</n></r>')
expect_no_reports()

-- Adding, inserting and removing.
assert(xml_setdoc(doc, "<r/>") == true)
assert(xml_findElem(doc, "r") == true)
assert(xml_addChildElem(doc, "b") == true)
assert(xml_insertChildElem(doc, "a") == true)
assert(xml_getChildTagName(doc) == "a")
assert(xml_removeChildElem(doc) == true)
assert(xml_findChildElem(doc, "b") == true)
assert(xml_addElem(doc, "s") == true)
assert(xml_getTagName(doc) == "s")
assert(xml_insertElem(doc, "p") == true)
assert(xml_getTagName(doc) == "p")
assert(xml_removeElem(doc) == true)
assert(xml_removeChildElem(doc) == false)
assert(xml_getdoc(doc) == "<r>\r\n<b/>\r\n</r><s/>\r\n")
xml_resetPos(doc)
assert(xml_addChildElem(doc, "x") == false)     -- no main element

-- Text crosses in the ANSI code page (GBK): "\214\208\206\196" is 中文.
assert(xml_setdoc(doc, "<r>\214\208\206\196</r>") == true)
assert(xml_findElem(doc, "") == true)
assert(xml_getData(doc) == "\214\208\206\196")
assert(xml_setData(doc, "\196\227") == true)    -- 你
assert(xml_getdoc(doc) == "<r>\196\227</r>")
-- A character GBK lacks comes back as the default character.
assert(xml_setdoc(doc, "<r>&#x0E01;</r>") == true)
assert(xml_findElem(doc, "") == true)
assert(xml_getData(doc) == "?")

assert(xml_del(doc) == nil)
expect_no_reports()
