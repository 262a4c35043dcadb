// The fs_* library run by the real script host.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/CodePage.h"
#include "tests/support/LuaTestHarness.h"
#include "tests/support/TempDir.h"

namespace {

mode_t PermissionsOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST(FsScriptLibrary, ScriptsMakeFoldersMeasureAndConvertNames) {
  TempDir dir;
  LuaRunResult run = RunLuaTestFile(SourceDir() + "/tests/util/lua/fs_test.lua", {dir.path()});
  ASSERT_TRUE(run.ok) << run.error;
  struct stat st {};
  EXPECT_EQ(stat((dir / "a/\xE4\xB8\xAD\xE6\x96\x87/c").c_str(), &st), 0) << "the GBK name reaches the disk as UTF-8";
  EXPECT_EQ(PermissionsOf(dir / "private"), 0700u);
  EXPECT_FALSE(stat((dir / "cut").c_str(), &st) == 0) << "nothing made from a path with a zero byte";
}

TEST(FsScriptLibrary, UnderUtf8CodePageNamesPassUnchanged) {
  platform::OverrideAnsiCodePageForTesting(platform::kCpUtf8);
  LuaRunResult run = RunLuaTestChunk(R"(
    local name = "/home/\228\184\173\230\150\135/\240\159\152\128"
    assert(fs_toNative(name) == name and fs_fromNative(name) == name)
    local ok, message, cause = fs_toNative("\214\208")
    assert(ok == nil and cause == "bad-input", tostring(message))
  )");
  platform::OverrideAnsiCodePageForTesting(0);
  EXPECT_TRUE(run.ok) << run.error;
}
