// Data files: writes at an offset (and a full disk under them),
// reservation and truncation.
#include "platform/DataFile.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

TEST(DataFile, WritesAtOffsetsTruncatesAndFailsOnAFullDisk) {
  TempDir dir;
  platform::DataFile file;
  ASSERT_EQ(file.Open(dir / "d.part"), 0);
  ASSERT_EQ(file.WriteAt(0, "hello world", 11), 0);
  ASSERT_EQ(file.Truncate(5), 0);
  ASSERT_EQ(file.WriteAt(5, "!", 1), 0);
  EXPECT_EQ(file.Size(), 6);
  {
    FullDisk disk(3);
    EXPECT_EQ(file.WriteAt(6, "abcdef", 6), ENOSPC);
    EXPECT_EQ(file.WriteAt(9, "x", 1), ENOSPC);
  }
  EXPECT_EQ(file.Sync(), 0);
  // Reserved to full size, ranges land anywhere and the rest reads as zeros.
  ASSERT_EQ(file.Allocate(16), 0);
  EXPECT_EQ(file.Size(), 16);
  ASSERT_EQ(file.WriteAt(12, "end", 3), 0);
  file.Close();
  EXPECT_EQ(ReadFileBytes(dir / "d.part"), std::string("hello!abc\0\0\0end\0", 16));
  EXPECT_EQ(file.WriteAt(0, "x", 1), EBADF);
  platform::DataFile folder;
  EXPECT_EQ(folder.Open(dir.path()), EISDIR);
}
