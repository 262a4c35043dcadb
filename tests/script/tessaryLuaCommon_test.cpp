#include "script/tessaryLuaCommon.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/ReportError.h"
#include "platform/CommandLine.h"
#include "platform/Path.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// A host whose executable "lives" in DIR/A B/bin, with DIR/A B/bin/ext/system.dll
// holding `script`. Restores the working directory and overrides afterwards.
class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    binDir_ = temp_.path() + "/A B/bin";
    fs::create_directories(binDir_ + "/ext");
    platform::OverrideModuleFileNameForTesting(platform::WidePathFromNative(binDir_ + "/velmora"));
    platform::RecordProcessCommandLine({u"/usr/bin/velmora"});
    previousSink_ = SetDiagnosticSink([this](const std::string& r) { reports_.push_back(r); });
  }
  void TearDown() override {
    SetDiagnosticSink(previousSink_);
    platform::OverrideModuleFileNameForTesting(u"");
    fs::current_path(previousDir_);
  }
  void WriteMainScript(const std::string& script) { WriteFileBytes(binDir_ + "/ext/system.dll", script); }

  TempDir temp_;
  std::string binDir_;
  fs::path previousDir_;
  DiagnosticSink previousSink_;
  std::vector<std::string> reports_;
};

std::string GlobalString(lua_State* L, const char* name) {
  lua_getfield(L, LUA_GLOBALSINDEX, name);
  std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<not a string>";
  lua_pop(L, 1);
  return value;
}

}  // namespace

TEST_F(HostFixture, HostGlobalsAndConfigPathFollowTheExecutable) {
  LuaCommon host;
  EXPECT_EQ(GlobalString(host.State(), "curpath"), binDir_);
  EXPECT_EQ(GlobalString(host.State(), "scriptPath"), "/ext/");
  EXPECT_EQ(GlobalString(host.State(), "ext"), ".dll");
  EXPECT_EQ(host.LocalServerPath(), binDir_ + "/");
  EXPECT_EQ(std::string(configFilePath), binDir_ + "/dc-config.ini");
  EXPECT_EQ(fs::current_path(), fs::path(binDir_));
}

TEST_F(HostFixture, StartParamHoldsTheWholeCommandLineAsAnsi) {
  platform::RecordProcessCommandLine({u"/usr/bin/velmora", u"#clicent#x", u"\u4E2D"});
  LuaCommon host;
  lua_State* L = host.State();
  ASSERT_EQ(luaL_dostring(L, "n = #startparam; a = startparam[1]; b = startparam[2]; c = startparam[3]"), 0);
  EXPECT_EQ(GlobalString(L, "n"), "3");
  EXPECT_EQ(GlobalString(L, "a"), "/usr/bin/velmora");
  EXPECT_EQ(GlobalString(L, "b"), "#clicent#x");
  EXPECT_EQ(GlobalString(L, "c"), "\xD6\xD0");  // GBK
}

TEST_F(HostFixture, StartParamWithOnlyTheProgramHasOneEntry) {
  LuaCommon host;
  ASSERT_EQ(luaL_dostring(host.State(), "n = 0; for _ in pairs(startparam) do n = n + 1 end"), 0);
  EXPECT_EQ(GlobalString(host.State(), "n"), "1");
}

TEST_F(HostFixture, LoadMainScriptCallsTheFirstFunctions) {
  WriteMainScript(R"(
    calls = ""
    function SetDownloadCenterTitle(t) calls = calls .. "title=" .. t .. ";" end
    function SetLocalServerPath(p) calls = calls .. "path=" .. p .. ";" end
    function InitSystemControl(pm) calls = calls .. "pm=" .. type(pm) .. ";" end
    return 1, 2, 3
  )");
  LuaCommon host;
  int marker = 0;
  int top = lua_gettop(host.State());
  EXPECT_EQ(host.LoadMainScript(&marker), 0);
  EXPECT_EQ(lua_gettop(host.State()), top);
  EXPECT_EQ(GlobalString(host.State(), "calls"),
            "title=Velmora;path=" + binDir_ + "/;pm=userdata;");
}

TEST_F(HostFixture, LoadMainScriptFailuresReturnOneAndReport) {
  const char* broken[] = {nullptr, "function (", "error('at start')"};
  for (const char* script : broken) {
    reports_.clear();
    if (script) WriteMainScript(script);
    LuaCommon host;
    int top = lua_gettop(host.State());
    EXPECT_EQ(host.LoadMainScript(nullptr), 1);
    EXPECT_EQ(lua_gettop(host.State()), top);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].rfind("(error) (tessaryLuaCommon:", 0), 0u) << reports_[0];
    EXPECT_NE(reports_[0].find(") load script error='"), std::string::npos);
    EXPECT_EQ(reports_[0].substr(reports_[0].size() - 3), "'.\n");
  }
}

TEST_F(HostFixture, CallResultsFollowTheNumberRule) {
  LuaCommon host;
  lua_State* L = host.State();
  ASSERT_EQ(luaL_dostring(L, R"(
    function Num() return 7 end
    function NumText() return "7" end
    function Text() return "seven" end
    function Table() return {} end
    function Nothing() end
    function Echo(x) return x end
    function Fail() error("bad") end
  )"), 0);
  int top = lua_gettop(L);
  EXPECT_EQ(host.CallScript("Num"), 7);
  EXPECT_EQ(host.CallScript("NumText"), 7);
  EXPECT_EQ(host.CallScript("Text"), 0);
  EXPECT_EQ(host.CallScript("Table"), 0);
  EXPECT_EQ(host.CallScript("Nothing"), 0);
  EXPECT_EQ(host.CallScriptInt("Echo", -42), -42);
  EXPECT_EQ(host.CallScriptText("Echo", "12"), 12);
  EXPECT_EQ(lua_gettop(L), top);
  EXPECT_TRUE(reports_.empty());

  EXPECT_EQ(host.CallScript("Fail"), LUA_ERRRUN);
  EXPECT_EQ(host.CallScriptInt("OnTimer", 1), LUA_ERRRUN);  // missing: calling nil
  EXPECT_EQ(lua_gettop(L), top);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_NE(reports_[0].find(") pcall error:\t"), std::string::npos);
  EXPECT_NE(reports_[0].find("bad"), std::string::npos);
  EXPECT_EQ(reports_[0].substr(reports_[0].size() - 2), ".\n");
}

TEST_F(HostFixture, FixedNameCallsPassTheirArguments) {
  LuaCommon host;
  lua_State* L = host.State();
  ASSERT_EQ(luaL_dostring(L, R"(
    function OnMessage(w, l) seen = type(w) .. "," .. type(l); return w + 1 end
    function OnTabSelectEvent(n, w, l) seen = type(n) .. "," .. w .. "," .. l; return 5 end
    function OnWindowMessage(m, w, l) seen = m .. "," .. type(w) .. "," .. type(l); return m end
  )"), 0);
  EXPECT_EQ(host.CallOnMessage(41, 0), 42);
  EXPECT_EQ(GlobalString(L, "seen"), "number,userdata");
  int notification = 0;
  EXPECT_EQ(host.CallOnTabSelectEvent(&notification, 3, 4), 5);
  EXPECT_EQ(GlobalString(L, "seen"), "userdata,3,4");
  EXPECT_EQ(host.CallOnWindowMessage(0x0400, 1, 2), 0x0400);
  EXPECT_EQ(GlobalString(L, "seen"), "1024,userdata,userdata");
}

namespace {
LuaCommon* gNestedHost = nullptr;
// A native library function that, like a modal dialog, lets the host call
// into the scripts while it is itself on the stack.
int NativeWithNestedCall(lua_State* L) {
  lua_pushinteger(L, 99);  // junk of the enclosing frame
  intptr_t inner = gNestedHost->CallScript("Inner");
  lua_pushinteger(L, static_cast<lua_Integer>(inner));
  return 1;
}
}  // namespace

TEST_F(HostFixture, NestedCallsReturnTheirOwnResult) {
  LuaCommon host;
  gNestedHost = &host;
  lua_State* L = host.State();
  lua_register(L, "native", NativeWithNestedCall);
  ASSERT_EQ(luaL_dostring(L, "function Inner() return 3 end  function Outer() return native() end"), 0);
  EXPECT_EQ(host.CallScript("Outer"), 3);
  gNestedHost = nullptr;
}

TEST_F(HostFixture, GlobalTextReadsStringsAndNumbersOnly) {
  LuaCommon host;
  lua_State* L = host.State();
  ASSERT_EQ(luaL_dostring(L, "A = 'x\\214\\208'  B = 12  C = {}"), 0);
  int top = lua_gettop(L);
  EXPECT_EQ(host.GetScriptGlobalText("A"), u"x\u4E2D");
  EXPECT_EQ(host.GetScriptGlobalText("B"), u"12");
  EXPECT_TRUE(reports_.empty());
  EXPECT_EQ(host.GetScriptGlobalText("C"), u"");
  EXPECT_EQ(host.GetScriptGlobalText("Missing"), u"");
  EXPECT_EQ(lua_gettop(L), top);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_NE(reports_[1].find(") Missing is not string value.\n"), std::string::npos);
}
