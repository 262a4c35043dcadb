-- zip_* from a script. Argument 1: a folder holding good.zip (a/中文.txt,
-- b.txt) and evil.zip (an entry named ../escape.txt).
local dir = ...

local function nothing(...) return select('#', ...) == 0 end
local function expect_report(pattern)
  local reports = test_reports()
  assert(#reports == 1, "expected one report, got " .. #reports)
  assert(string.find(reports[1], pattern), reports[1])
end

-- Polls as a script's timer would, until the job is no longer running.
local function wait(job)
  local deadline = os.time() + 20
  local state = zip_state(job)
  while state == "running" and os.time() < deadline do state = zip_state(job) end
  return zip_state(job)
end

local job = zip_extract(dir .. "/good.zip", dir .. "/good")
assert(type(job) == "userdata")
local state, done, total, entries, allEntries = wait(job)
assert(state == "done", state .. ": " .. zip_error(job))
assert(done == 10 and total == 10 and entries == 2 and allEntries == 2)
assert(zip_error(job) == "")
assert(zip_running() == 0)
assert(zip_del(job) == nil)

local evil = zip_extract(dir .. "/evil.zip", dir .. "/evil", 1e9, 10)
assert(wait(evil) == "failed")
assert(string.find(zip_error(evil), "unsafe entry name '../escape.txt'", 1, true), zip_error(evil))
zip_del(evil)

local capped = zip_extract(dir .. "/good.zip", dir .. "/capped", 1e9, 1)
assert(wait(capped) == "failed")
assert(string.find(zip_error(capped), "more than the limit of 1", 1, true), zip_error(capped))
zip_cancel(capped)  -- harmless once finished
zip_del(capped)

local missing = zip_extract(dir .. "/none.zip", dir .. "/none")
assert(wait(missing) == "failed" and string.find(zip_error(missing), "cannot open the archive", 1, true))
zip_del(missing)
assert(#test_reports() == 0)

-- Bad arguments and stale handles: reported, nothing returned.
assert(nothing(zip_extract(nil, dir))); expect_report("param 1 is not string")
assert(nothing(zip_extract(dir .. "/good.zip", dir .. "/x", 0))); expect_report("param 3 is not a positive number")
assert(nothing(zip_extract(dir .. "/good.zip", dir .. "/x", 10, "many"))); expect_report("param 4 is not a positive")
assert(nothing(zip_state(job))); expect_report("param 1 is not an extraction")
assert(nothing(zip_del(job))); expect_report("param 1 is not an extraction")
assert(nothing(zip_error("job"))); expect_report("param 1 is not userdata ,type is string")
assert(nothing(zip_cancel(nil))); expect_report("param 1 is not userdata")
