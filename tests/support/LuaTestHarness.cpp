#include "tests/support/LuaTestHarness.h"

#include <cstdlib>
#include <memory>

#include "base/ReportError.h"
#include "script/LuaTraceback.h"
#include "script/tessaryLuaCommon.h"

namespace {

struct Capture {
  std::vector<std::string> reports;
};
Capture* gCapture = nullptr;

int TakeReports(lua_State* L) {
  lua_newtable(L);
  if (!gCapture) return 1;
  int i = 1;
  for (const auto& report : gCapture->reports) {
    lua_pushlstring(L, report.data(), report.size());
    lua_rawseti(L, -2, i++);
  }
  gCapture->reports.clear();
  return 1;
}

LuaRunResult Run(const std::string& nameOrSource, bool isFile, const std::vector<std::string>& args,
                 LuaCommonHooks hooks) {
  Capture capture;
  gCapture = &capture;
  auto previous = SetDiagnosticSink([](const std::string& report) { gCapture->reports.push_back(report); });
  LuaRunResult result;
  {
    LuaCommon host(std::move(hooks));
    lua_State* L = host.State();
    lua_register(L, "test_reports", TakeReports);
    lua_pushcfunction(L, LuaTracebackHandler);
    int handler = lua_gettop(L);
    int status = isFile ? luaL_loadfile(L, nameOrSource.c_str())
                        : luaL_loadbuffer(L, nameOrSource.data(), nameOrSource.size(), "=chunk");
    if (status == 0) {
      for (const auto& arg : args) lua_pushlstring(L, arg.data(), arg.size());
      status = lua_pcall(L, static_cast<int>(args.size()), 0, handler);
    }
    result.ok = status == 0;
    if (!result.ok) result.error = lua_tostring(L, -1) ? lua_tostring(L, -1) : "?";
  }
  SetDiagnosticSink(std::move(previous));
  result.reports = std::move(capture.reports);
  gCapture = nullptr;
  return result;
}

}  // namespace

LuaRunResult RunLuaTestFile(const std::string& path, const std::vector<std::string>& args,
                            LuaCommonHooks hooks) {
  return Run(path, true, args, std::move(hooks));
}

LuaRunResult RunLuaTestChunk(const std::string& source, LuaCommonHooks hooks) {
  return Run(source, false, {}, std::move(hooks));
}
