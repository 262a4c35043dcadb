-- A small JSON decoder for text that comes from outside the process (the
-- browser host, the save-location list). It never raises: bad input gives
-- nil and a message saying where it went wrong. Depth and length are capped
-- so a hostile sender cannot exhaust the interpreter's stack or memory.
local M = {}

local MAX_DEPTH = 32
local MAX_LENGTH = 1024 * 1024

local escapes = { ['"'] = '"', ["\\"] = "\\", ["/"] = "/", b = "\b", f = "\f", n = "\n", r = "\r", t = "\t" }

local function utf8Char(code)
  if code < 0x80 then return string.char(code) end
  if code < 0x800 then
    return string.char(0xC0 + math.floor(code / 0x40), 0x80 + code % 0x40)
  end
  if code < 0x10000 then
    return string.char(0xE0 + math.floor(code / 0x1000), 0x80 + math.floor(code / 0x40) % 0x40, 0x80 + code % 0x40)
  end
  return string.char(0xF0 + math.floor(code / 0x40000), 0x80 + math.floor(code / 0x1000) % 0x40,
    0x80 + math.floor(code / 0x40) % 0x40, 0x80 + code % 0x40)
end

-- Parsing state lives in upvalues of one closure per decode, so nested calls
-- from different callers never share it.
local function newParser(text, codePoint)
  local pos = 1
  local fail

  local function err(message)
    fail = fail or (message .. " at offset " .. pos)
    return nil
  end

  local function skip()
    pos = text:find("[^ \t\r\n]", pos) or (#text + 1)
  end

  local value

  local function parseString()
    pos = pos + 1
    local parts = {}
    while true do
      local stop = text:find('["\\%c]', pos)
      if not stop then return err("unterminated string") end
      parts[#parts + 1] = text:sub(pos, stop - 1)
      local c = text:sub(stop, stop)
      if c == '"' then
        pos = stop + 1
        return table.concat(parts)
      elseif c == "\\" then
        local e = text:sub(stop + 1, stop + 1)
        if e == "u" then
          local hex = text:sub(stop + 2, stop + 5)
          if not hex:match("^%x%x%x%x$") then pos = stop return err("bad \\u escape") end
          local code = tonumber(hex, 16)
          local used = 6
          if code >= 0xD800 and code <= 0xDBFF then
            local low = text:match("^\\u(%x%x%x%x)", stop + 6)
            local lowCode = low and tonumber(low, 16)
            if lowCode and lowCode >= 0xDC00 and lowCode <= 0xDFFF then
              code = 0x10000 + (code - 0xD800) * 0x400 + (lowCode - 0xDC00)
              used = 12
            else
              code = 0xFFFD
            end
          elseif code >= 0xDC00 and code <= 0xDFFF then
            code = 0xFFFD
          end
          parts[#parts + 1] = codePoint(code)
          pos = stop + used
        elseif escapes[e] then
          parts[#parts + 1] = escapes[e]
          pos = stop + 2
        else
          pos = stop
          return err("bad escape")
        end
      else
        pos = stop
        return err("control character in string")
      end
    end
  end

  local function parseNumber()
    local s, e = text:find("^-?%d+%.?%d*[eE]?[-+]?%d*", pos)
    local literal = s and text:sub(s, e)
    local n = literal and literal:match("^-?%d") and tonumber(literal)
    if not n then return err("bad number") end
    pos = e + 1
    return n
  end

  -- Arrays and objects share one shape: an opening bracket, items apart by
  -- commas, the closing bracket. readItem reports trouble through err().
  local function parseSequence(close, readItem)
    pos = pos + 1
    skip()
    if text:sub(pos, pos) == close then pos = pos + 1 return end
    while true do
      readItem()
      if fail then return end
      skip()
      local c = text:sub(pos, pos)
      pos = pos + 1
      if c == close then return end
      if c ~= "," then pos = pos - 1 return err("expected ',' or '" .. close .. "'") end
    end
  end

  local function parseArray(depth)
    local out = {}
    parseSequence("]", function()
      local v = value(depth + 1)
      if not fail then out[#out + 1] = v end
    end)
    if fail then return nil end
    return out
  end

  local function parseObject(depth)
    local out = {}
    parseSequence("}", function()
      skip()
      if text:sub(pos, pos) ~= '"' then return err("expected a key") end
      local key = parseString()
      if fail then return end
      skip()
      if text:sub(pos, pos) ~= ":" then return err("expected ':'") end
      pos = pos + 1
      local v = value(depth + 1)
      if not fail then out[key] = v end
    end)
    if fail then return nil end
    return out
  end

  -- JSON null has no Lua value that survives in a table; it becomes nil.
  local literals = { ["true"] = true, ["false"] = false, ["null"] = M.null }

  value = function(depth)
    if depth > MAX_DEPTH then return err("nested too deeply") end
    skip()
    local c = text:sub(pos, pos)
    if c == "{" then return parseObject(depth) end
    if c == "[" then return parseArray(depth) end
    if c == '"' then return parseString() end
    if c == "-" or c:match("%d") then return parseNumber() end
    for word, v in pairs(literals) do
      if text:sub(pos, pos + #word - 1) == word then
        pos = pos + #word
        if v == M.null then return nil end
        return v
      end
    end
    if c == "" then return err("unexpected end") end
    return err("unexpected character")
  end

  return function()
    local v = value(0)
    if fail then return nil, fail end
    skip()
    if pos <= #text then err("trailing text") return nil, fail end
    return v
  end
end

M.null = {}

M.utf8 = utf8Char

-- decode(text [, codePoint]) -> value, or nil and a message. Text is kept
-- as the bytes it came in; a \u escape becomes codePoint(number), UTF-8
-- unless the caller wants another encoding.
function M.decode(text, codePoint)
  if type(text) ~= "string" then return nil, "not text" end
  if #text > MAX_LENGTH then return nil, "text too long" end
  local ok, v, message = pcall(newParser(text, codePoint or utf8Char))
  if not ok then return nil, "malformed JSON" end
  return v, message
end

return M
