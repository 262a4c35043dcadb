// The xml_* script library, driven by Lua scripts in a real host interpreter.
#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>
#include <vector>

#include "xml/xmllua.h"

#include "base/ReportError.h"
#include "tests/support/LuaTestHarness.h"
#include "tests/support/TempDir.h"

namespace {

void RunScript(const std::string& name, const std::vector<std::string>& args = {}) {
  LuaRunResult result = RunLuaTestFile(SourceDir() + "/tests/xml/lua/" + name, args);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.reports.empty()) << result.reports.front();
}

TEST(xmllua, RegistersTheFunctionsAndChecksArguments) { RunScript("xmllua_checks_test.lua"); }

TEST(xmllua, ReadsAndEditsDocuments) { RunScript("xmllua_document_test.lua"); }

TEST(xmllua, LoadsAndSavesFiles) {
  TempDir dir;
  RunScript("xmllua_file_test.lua", {dir.path()});
}

// Scripts cannot make a null light userdata; the host's C callers can.
TEST(xmllua, NullDocumentIsReportedForEveryFunction) {
  std::vector<std::string> reports;
  DiagnosticSink previous = SetDiagnosticSink([&](const std::string& report) { reports.push_back(report); });
  lua_State* L = luaL_newstate();
  RegisterXmlLuaLibrary(L);
  const char* names[] = {"xml_del", "xml_getdoc", "xml_findElem", "xml_setData", "xml_save"};
  for (const char* name : names) {
    lua_getglobal(L, name);
    lua_pushlightuserdata(L, nullptr);
    lua_pushstring(L, "x");
    ASSERT_EQ(lua_pcall(L, 2, LUA_MULTRET, 0), 0);
    EXPECT_EQ(lua_gettop(L), 0) << name;
  }
  lua_close(L);
  SetDiagnosticSink(std::move(previous));
  ASSERT_EQ(reports.size(), 5u);
  for (const auto& report : reports) {
    EXPECT_EQ(report.rfind("(error) (xmllua:", 0), 0u) << report;
    EXPECT_NE(report.find(") xml ptr is null.\n"), std::string::npos) << report;
  }
}

}  // namespace
