// Runs Lua test scripts inside an interpreter built by the real script host,
// with every diagnostic report captured for the script to inspect:
//   test_reports()  -> array of the reports since the last call (and clears)
// A script passes when it runs to its end without a Lua error.
#ifndef VELMORA_TESTS_LUATESTHARNESS_H
#define VELMORA_TESTS_LUATESTHARNESS_H

#include <string>
#include <vector>

#include "script/tessaryLuaCommon.h"
#include "tests/support/SourceFiles.h"

struct LuaRunResult {
  bool ok = false;
  std::string error;  // the Lua error with a traceback when !ok
  std::vector<std::string> reports;  // reports never taken by the script
};

// Runs the file at `path` (absolute) with `...` set to `args`.
// `hooks` lets windowed tests add the libraries the app adds (input dialog,
// UI bindings) exactly as the app does.
LuaRunResult RunLuaTestFile(const std::string& path, const std::vector<std::string>& args = {},
                            LuaCommonHooks hooks = {});
// Runs a chunk of Lua source.
LuaRunResult RunLuaTestChunk(const std::string& source, LuaCommonHooks hooks = {});

#endif
