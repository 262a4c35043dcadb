// The zip_* library run by the real script host.
#include <gtest/gtest.h>

#include "tests/archive/ZipTestArchives.h"
#include "tests/support/LuaTestHarness.h"
#include "tests/support/TempDir.h"

TEST(ArchiveScriptLibrary, ScriptsExtractPollCancelAndDelete) {
  TempDir dir;
  ASSERT_TRUE(WriteTestZip(dir / "good.zip", {{"a/\xD6\xD0\xCE\xC4.txt", "hello"}, {"b.txt", "world"}}));
  ASSERT_TRUE(WriteTestZip(dir / "evil.zip", {{"../escape.txt", "x"}}));
  LuaRunResult run = RunLuaTestFile(SourceDir() + "/tests/archive/lua/zip_test.lua", {dir.path()});
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(ListTree(dir / "good"),
            (std::vector<std::string>{"a/", "a/\xE4\xB8\xAD\xE6\x96\x87.txt=hello", "b.txt=world"}));
  EXPECT_EQ(ListTree(dir / "evil"), std::vector<std::string>{});
}
