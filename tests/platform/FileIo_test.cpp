// The replaceable file table: the default reaches the disk, and a table a
// test installs sees every call until it is taken away again.
#include "platform/FileIo.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

TEST(FileIo, DefaultTableWritesReadsRenamesAndRemoves) {
  TempDir dir;
  platform::UniqueFile out(platform::OpenFileNative(dir / "a", "wb"));
  ASSERT_TRUE(out);
  EXPECT_EQ(platform::WriteFile(out.get(), "hello", 5), 5u);
  EXPECT_TRUE(platform::CloseFile(out.release()));
  EXPECT_TRUE(platform::RenameFileNative(dir / "a", dir / "b"));
  platform::UniqueFile in(platform::OpenFileNative(dir / "b", "rb"));
  ASSERT_TRUE(in);
  char bytes[8] = {};
  EXPECT_EQ(platform::ReadFile(in.get(), bytes, sizeof bytes), 5u);
  EXPECT_STREQ(bytes, "hello");
  in.reset();
  EXPECT_TRUE(platform::RemoveFileNative(dir / "b"));
  EXPECT_FALSE(platform::OpenFileNative(dir / "b", "rb"));
  EXPECT_EQ(platform::LastError(), ENOENT);
}

TEST(FileIo, InstalledTableFailsWritesUntilRemoved) {
  TempDir dir;
  {
    FullDisk disk(3);
    platform::UniqueFile out(platform::OpenFileNative(dir / "full", "wb"));
    ASSERT_TRUE(out);
    EXPECT_EQ(platform::WriteFile(out.get(), "hello", 5), 3u);
    EXPECT_EQ(platform::LastError(), ENOSPC);
    EXPECT_EQ(platform::WriteFile(out.get(), "x", 1), 0u);
  }
  EXPECT_EQ(ReadFileBytes(dir / "full"), "hel");
  platform::UniqueFile out(platform::OpenFileNative(dir / "free", "wb"));
  EXPECT_EQ(platform::WriteFile(out.get(), "hello", 5), 5u);
}
