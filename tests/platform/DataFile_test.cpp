// Data files: writes at an offset (and the injected disk fault),
// reservation, truncation, atomic
// replacement of small files, and moves that never replace.
#include "platform/DataFile.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/TempDir.h"

TEST(DataFile, WritesAtOffsetsTruncatesAndFailsOnDemandLikeAFullDisk) {
  TempDir dir;
  platform::DataFile file;
  ASSERT_EQ(file.Open(dir / "d.part"), 0);
  ASSERT_EQ(file.WriteAt(0, "hello world", 11), 0);
  ASSERT_EQ(file.Truncate(5), 0);
  ASSERT_EQ(file.WriteAt(5, "!", 1), 0);
  EXPECT_EQ(file.Size(), 6);
  platform::SetWriteFaultForTesting(3, ENOSPC);
  EXPECT_EQ(file.WriteAt(6, "abcdef", 6), ENOSPC);
  EXPECT_EQ(file.WriteAt(9, "x", 1), ENOSPC);
  platform::SetWriteFaultForTesting(0, 0);
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

TEST(DataFile, SmallFilesAreReplacedWholeAndMovesNeverReplace) {
  TempDir dir;
  ASSERT_EQ(platform::WriteFileAtomically(dir / "r", "first"), 0);
  ASSERT_EQ(platform::WriteFileAtomically(dir / "r", "second"), 0);
  std::string text;
  ASSERT_EQ(platform::ReadSmallFile(dir / "r", 100, text), 0);
  EXPECT_EQ(text, "second");
  EXPECT_EQ(platform::ReadSmallFile(dir / "r", 3, text), EFBIG);
  EXPECT_FALSE(platform::NativeFileExists(dir / "r.tmp"));
  EXPECT_EQ(platform::WriteFileAtomically(dir / "missing/r", "x"), ENOENT);

  WriteFileBytes(dir / "a.part", "new");
  WriteFileBytes(dir / "a", "someone else's");
  EXPECT_EQ(platform::MoveNativeNoReplace(dir / "a.part", dir / "a"), EEXIST);
  EXPECT_EQ(ReadFileBytes(dir / "a"), "someone else's");
  EXPECT_EQ(platform::MoveNativeNoReplace(dir / "a.part", dir / "b"), 0);
  EXPECT_EQ(ReadFileBytes(dir / "b"), "new");
  EXPECT_FALSE(platform::NativeFileExists(dir / "a.part"));
  EXPECT_EQ(platform::NativeFileSize(dir / "b"), 3);
  EXPECT_EQ(platform::NativeFileSize(dir.path()), -1);
  EXPECT_TRUE(platform::FreeDiskBytes(dir.path()).has_value());
}
