-- Queue order: where each task stands among the others, and which waiting
-- tasks take the free download slots. Works on the controller's list of
-- task records (in queue order); each keeps its place in `position`.
local M = {}

-- The engine's own ceiling of tasks at once. The controller lets it run
-- that many and decides itself which task goes next.
M.ENGINE_SLOTS = 20

M.MOVES = { up = true, down = true, top = true, bottom = true }

-- placeAtEnd(order, fresh): new tasks line up behind every task there is.
function M.placeAtEnd(order, fresh)
  local last = 0
  for _, task in ipairs(order) do last = math.max(last, task.position or 0) end
  for i, task in ipairs(fresh) do task.position = last + i end
end

-- Numbers the list 1..n; returns the tasks whose place changed.
local function renumber(order)
  local changed = {}
  for i, task in ipairs(order) do
    if task.position ~= i then
      task.position = i
      changed[#changed + 1] = task
    end
  end
  return changed
end

-- Up and down move each chosen task one place past its next unchosen
-- neighbour, so a chosen block moves as one and keeps its inner order.
local function step(order, chosen, where)
  local from, to, by = 2, #order, -1
  if where == "down" then from, to, by = #order - 1, 1, 1 end
  local dir = where == "down" and -1 or 1
  for i = from, to, dir do
    local other = i + by
    if chosen[order[i]] and not chosen[order[other]] then
      order[i], order[other] = order[other], order[i]
    end
  end
end

local function toEnd(order, chosen, where)
  local picked, rest = {}, {}
  for _, task in ipairs(order) do
    if chosen[task] then picked[#picked + 1] = task else rest[#rest + 1] = task end
  end
  local first, second = picked, rest
  if where == "bottom" then first, second = rest, picked end
  local i = 0
  for _, task in ipairs(first) do i = i + 1 order[i] = task end
  for _, task in ipairs(second) do i = i + 1 order[i] = task end
end

-- move(order, tasks, where) -> the tasks whose place changed, or nil and a
-- message. `order` is changed in place.
function M.move(order, tasks, where)
  if not M.MOVES[where] then return nil, "unknown move: " .. tostring(where) end
  local chosen = {}
  for _, task in ipairs(tasks) do chosen[task] = true end
  if where == "up" or where == "down" then step(order, chosen, where) else toEnd(order, chosen, where) end
  return renumber(order)
end

-- The rest of `order` without `task`, and where among them `task` goes to
-- stand `index`-th (from 1) of the tasks `member` holds for.
local function slotAmong(order, task, index, member)
  local rest, at, last = {}, nil, nil
  for _, each in ipairs(order) do
    if each ~= task then
      rest[#rest + 1] = each
      if member(each) then
        index = index - 1
        if index == 0 then at = #rest end
        last = #rest
      end
    end
  end
  if not last then return nil end  -- no other member to stand beside
  return rest, at or last + 1
end

-- place(order, task, index, member) -> the tasks whose place changed:
-- `task` stands `index`-th (from 1, past the end: last) among the tasks
-- `member` holds for; every other task keeps its place relative to the
-- rest. `order` is changed in place.
function M.place(order, task, index, member)
  local rest, at = slotAmong(order, task, math.max(index, 1), member)
  if not rest then return {} end
  table.insert(rest, at, task)
  for i, each in ipairs(rest) do order[i] = each end
  return renumber(order)
end

-- A task that holds a slot: handed to the engine and moving, unless it
-- runs beside the limit.
local function holdsSlot(task, handed)
  return handed[task.id] and not task.waiting and (task.state == "running" or task.state == "queued")
    and (task.alwaysRun or 0) == 0
end

-- due(order, handed, limit) -> the waiting tasks to start now: those that
-- always run, then those asked to start next (first asked, first), then
-- the rest in queue order while slots are free. `handed` maps task ids the
-- engine holds to true.
function M.due(order, handed, limit)
  local busy = 0
  local next, rest, due = {}, {}, {}
  for _, task in ipairs(order) do
    if holdsSlot(task, handed) then busy = busy + 1 end
    if task.waiting then
      if (task.alwaysRun or 0) ~= 0 then
        due[#due + 1] = task
      elseif task.nextRank then
        next[#next + 1] = task
      else
        rest[#rest + 1] = task
      end
    end
  end
  table.sort(next, function(a, b) return a.nextRank < b.nextRank end)
  for _, list in ipairs({ next, rest }) do
    for _, task in ipairs(list) do
      if busy >= limit then return due end
      due[#due + 1] = task
      busy = busy + 1
    end
  end
  return due
end

return M
