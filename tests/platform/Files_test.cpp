// Paths: kinds, sizes, folders, atomic replacement of small files, and
// moves that never replace.
#include "platform/Files.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/DiskSpace.h"
#include "tests/support/TempDir.h"

TEST(Files, KindsSizesAndFolders) {
  TempDir dir;
  WriteFileBytes(dir / "f", "abc");
  EXPECT_EQ(platform::PathKindOf(dir / "f"), platform::PathKind::Other);
  EXPECT_EQ(platform::PathKindOf(dir.path()), platform::PathKind::Directory);
  EXPECT_EQ(platform::PathKindOf(dir / "missing"), platform::PathKind::Missing);
  EXPECT_EQ(platform::PathKindOf(""), platform::PathKind::Missing);
  EXPECT_EQ(platform::FileSize(dir / "f"), 3u);
  EXPECT_FALSE(platform::FileSize(dir.path()).has_value());
  EXPECT_FALSE(platform::FileSize(dir / "missing").has_value());
  // A dangling link leads nowhere but still takes its name.
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "link").c_str()), 0);
  EXPECT_EQ(platform::PathKindOf(dir / "link"), platform::PathKind::Missing);
  EXPECT_TRUE(platform::PathExists(dir / "link"));
  EXPECT_EQ(platform::MakeDirectory(dir / "sub"), 0);
  EXPECT_EQ(platform::MakeDirectory(dir / "sub"), EEXIST);
  EXPECT_EQ(platform::MakeDirectory(dir / "no/parent"), ENOENT);
  EXPECT_EQ(platform::RemoveFile(dir / "sub"), EISDIR);
  EXPECT_EQ(platform::RemoveFile(dir / "f"), 0);
  EXPECT_EQ(platform::RemoveFile(dir / "f"), ENOENT);
}

// A name with a NUL in it would reach the OS cut short: another file.
TEST(Files, NamesWithANulAreRefused) {
  TempDir dir;
  WriteFileBytes(dir / "a", "keep");
  const std::string cut = dir / std::string("a\0.tmp", 6);
  EXPECT_EQ(platform::RemoveFile(cut), EINVAL);
  EXPECT_EQ(platform::WriteFileAtomically(cut, "x"), EINVAL);
  EXPECT_EQ(platform::RenameFile(dir / "a", cut), EINVAL);
  EXPECT_FALSE(platform::PathExists(cut));
  EXPECT_EQ(ReadFileBytes(dir / "a"), "keep");
}

TEST(Files, SmallFilesAreReplacedWholeAndMovesNeverReplace) {
  TempDir dir;
  ASSERT_EQ(platform::WriteFileAtomically(dir / "r", "first"), 0);
  ASSERT_EQ(platform::WriteFileAtomically(dir / "r", "second"), 0);
  std::string text;
  ASSERT_EQ(platform::ReadSmallFile(dir / "r", 100, text), 0);
  EXPECT_EQ(text, "second");
  EXPECT_EQ(platform::ReadSmallFile(dir / "r", 3, text), EFBIG);
  EXPECT_EQ(platform::ReadSmallFile(dir.path(), 100, text), EISDIR);
  EXPECT_FALSE(platform::PathExists(dir / "r.tmp"));
  EXPECT_EQ(platform::WriteFileAtomically(dir / "missing/r", "x"), ENOENT);

  WriteFileBytes(dir / "a.part", "new");
  WriteFileBytes(dir / "a", "someone else's");
  EXPECT_EQ(platform::MoveFileNoReplace(dir / "a.part", dir / "a"), EEXIST);
  EXPECT_EQ(ReadFileBytes(dir / "a"), "someone else's");
  EXPECT_EQ(platform::MoveFileNoReplace(dir / "a.part", dir / "b"), 0);
  EXPECT_EQ(ReadFileBytes(dir / "b"), "new");
  EXPECT_FALSE(platform::PathExists(dir / "a.part"));
  EXPECT_EQ(platform::FileSize(dir / "b"), 3u);
}

TEST(Files, FolderEntriesAreNamedWithoutDotsAndErrorsSaySo) {
  TempDir dir;
  WriteFileBytes(dir / "b.txt", "");
  ASSERT_EQ(platform::MakeDirectory(dir / "a"), 0);
  std::vector<std::string> names{"stale"};
  ASSERT_EQ(platform::FolderEntryNames(dir.path(), names), 0);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b.txt"}));
  EXPECT_EQ(platform::FolderEntryNames(dir / "missing", names), ENOENT);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(platform::FolderEntryNames(dir / "b.txt", names), ENOTDIR);
}

TEST(Files, DiskSpaceIsAnsweredForAFolderStillToBeMade) {
  TempDir dir;
  platform::DiskSpace space;
  std::string error;
  ASSERT_TRUE(platform::QueryDiskSpace(dir / "later/deeper", space, error)) << error;
  EXPECT_GT(space.total, 0u);
  EXPECT_LE(space.available, space.free);
  EXPECT_LE(space.free, space.total);
  EXPECT_FALSE(platform::QueryDiskSpace("", space, error));
  EXPECT_FALSE(error.empty());
}

TEST(Files, MakeDirectoriesMakesEveryMissingParentAndStopsAtAFile) {
  TempDir dir;
  EXPECT_EQ(platform::MakeDirectories(dir / "a//b/c/"), 0);
  EXPECT_EQ(platform::PathKindOf(dir / "a/b/c"), platform::PathKind::Directory);
  EXPECT_EQ(platform::MakeDirectories(dir / "a/b/c"), 0);
  WriteFileBytes(dir / "a/file", "x");
  EXPECT_EQ(platform::MakeDirectories(dir / "a/file/d"), ENOTDIR);
  EXPECT_EQ(platform::MakeDirectories(dir / "a/file"), ENOTDIR);
  EXPECT_EQ(platform::MakeDirectories(""), ENOENT);
}
