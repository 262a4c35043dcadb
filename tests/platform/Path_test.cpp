#include "platform/Path.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Path, AnsiPathsReachTheOsAsUtf8WithForwardSlashes) {
  EXPECT_EQ(NativePathFromAnsi("a\\b/c"), "a/b/c");
  EXPECT_EQ(NativePathFromAnsi("\\tmp\\\xD6\xD0.txt"), "/tmp/\xE4\xB8\xAD.txt");
  EXPECT_EQ(NativePathFromWide(u"x\\\u6587"), "x/\xE6\x96\x87");
  EXPECT_EQ(WidePathFromNative("/\xE6\x96\x87"), u"/\u6587");
}

TEST(Path, ModuleFileNameIsTheRunningExecutable) {
  std::u16string module = ModuleFileName();
  ASSERT_FALSE(module.empty());
  EXPECT_EQ(module.front(), u'/');
  OverrideModuleFileNameForTesting(u"/opt/x/bin/app");
  EXPECT_EQ(ModuleFileName(), u"/opt/x/bin/app");
  OverrideModuleFileNameForTesting(u"");
  EXPECT_EQ(ModuleFileName(), module);
}
