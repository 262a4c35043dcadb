// The autostart entry: where it goes, that desktops accept it whatever the
// program's path holds, and the script functions over it.
#include "app/LoginAutostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/DesktopScriptLibrary.h"
#include "tests/desktop/DesktopTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

TEST(LoginAutostart, WritesAndRemovesTheEntryInTheConfigurationHome) {
  TempDir home;
  const UserFolders folders{home.path(), home / "cfg"};
  EXPECT_EQ(AutostartEntryPath(folders), home / "cfg/autostart/velmora.desktop");
  EXPECT_FALSE(IsOpenAtLogin(folders));
  std::string error;
  ASSERT_TRUE(SetOpenAtLogin(true, "/usr/bin/velmora", folders, error)) << error;
  EXPECT_TRUE(IsOpenAtLogin(folders));
  EXPECT_NE(ReadFileBytes(AutostartEntryPath(folders)).find("\nExec=/usr/bin/velmora\n"), std::string::npos);
  // A desktop that switched the entry off has the last word.
  WriteFileBytes(AutostartEntryPath(folders), AutostartEntryText("/usr/bin/velmora") + "Hidden=true\n");
  EXPECT_FALSE(IsOpenAtLogin(folders));
  ASSERT_TRUE(SetOpenAtLogin(false, "", folders, error));
  EXPECT_FALSE(std::filesystem::exists(AutostartEntryPath(folders)));
  EXPECT_TRUE(SetOpenAtLogin(false, "", folders, error));  // already off
  EXPECT_FALSE(SetOpenAtLogin(true, "/a\nb", folders, error));
  EXPECT_FALSE(SetOpenAtLogin(true, "/x", UserFolders{}, error));
}

TEST(LoginAutostart, EntriesForAwkwardPathsAreValidAndQuoted) {
  EXPECT_NE(AutostartEntryText("/opt/My Apps/velmora").find("Exec=\"/opt/My Apps/velmora\"\n"), std::string::npos);
  EXPECT_NE(AutostartEntryText("/opt/100%/velmora").find("Exec=/opt/100%%/velmora\n"), std::string::npos);
  EXPECT_NE(AutostartEntryText("/opt/$x \"q\"/v").find(R"(Exec="/opt/\$x \"q\"/v")"), std::string::npos);
  EXPECT_NE(AutostartEntryText("/opt/a\\b c/v").find(R"(Exec="/opt/a\\\\b c/v")"), std::string::npos);
  if (!HaveProgram("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is missing";
  TempDir dir;
  for (const char* program : {"/usr/bin/velmora", "/opt/My Apps/velmora", "/opt/100%/$HOME/`x`/a\\b/v"}) {
    WriteFileBytes(dir / "velmora.desktop", AutostartEntryText(program));
    const RunResult check = RunProgram({"desktop-file-validate", dir / "velmora.desktop"});
    EXPECT_EQ(check.status, 0) << program << ": " << check.output;
    EXPECT_EQ(check.output, "") << program;
  }
}

TEST(LoginAutostart, ScriptsSwitchItOnAndOff) {
  TempDir home;
  const char* oldHome = std::getenv("HOME");
  const std::string keptHome = oldHome ? oldHome : "";
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  RegisterDesktopScriptLibrary(L);
  ASSERT_EQ(luaL_dostring(L, R"(
    assert(desktop_isOpenAtLogin() == false)
    assert(desktop_setOpenAtLogin(true) == true)
    assert(desktop_isOpenAtLogin() == true)
    local ok, message = desktop_setOpenAtLogin("yes")
    assert(ok == false and message == "desktop_setOpenAtLogin takes true or false")
    assert(desktop_isOpenAtLogin() == true)
    assert(desktop_setOpenAtLogin(false) == true)
    assert(desktop_isOpenAtLogin() == false)
  )"), 0) << lua_tostring(L, -1);
  lua_close(L);
  if (oldHome) setenv("HOME", keptHome.c_str(), 1);
}

}  // namespace
