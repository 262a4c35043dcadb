-- Why a task failed, in a few words of the window's language. The engine
-- names the cause as a stable value (dl_info(id).cause); the full message
-- stays for the tooltip and the details. A record from before causes were
-- kept has only its message, which is then shown as it is.
local strings = require("velmora.strings")

local M = {}

-- httpStatus(task) -> the server's status number, or nil. The engine
-- names it as a value (dl_info(id).httpStatus; task.code is the engine's
-- own result code); the message is never read for it.
function M.httpStatus(task)
  local status = tonumber(task.httpStatus)
  if status and status >= 100 and status <= 599 then return status end
  return nil
end

-- short(task) -> the reason alone ("服务器返回 404").
function M.short(task)
  local cause = task.cause or ""
  local texts = strings.reasons
  if cause == "http-status" then
    local status = M.httpStatus(task)
    if status then return string.format(texts["http-status"], status) end
    return texts.httpStatusUnknown
  end
  if texts[cause] then return texts[cause] end
  if cause == "" and (task.error or "") ~= "" then return task.error end
  return texts.unknown
end

-- stateCell(task) -> "失败：服务器返回 404".
function M.stateCell(task)
  return string.format(strings.failedBecause, M.short(task))
end

return M
