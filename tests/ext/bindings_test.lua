-- The bindings .luacheckrc declares are the ones the host registers, for
-- the libraries every interpreter carries. (The window's own, ui_*,
-- desktop_* and inputDlg, are checked with the window: DefaultScripts.)
package.path = debug.getinfo(1, "S").source:match("^@(.*/)") .. "?.lua;" .. package.path
local problems = require("bindings").problems(startparam[3], { "dl_", "sqlite_", "xml_", "zip_", "fs_", "http_" })
if #problems > 0 then error(table.concat(problems, "\n"), 0) end
print("ok: every library binding declared")
