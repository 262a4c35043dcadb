// The replaceable file table: the default reaches the disk, and a table a
// test installs sees every write, stream or descriptor, until it is taken
// away again.
#include "platform/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/DataFile.h"
#include "platform/DirectoryFd.h"
#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

TEST(FileIo, DefaultTableWritesReadsAndMeasuresStreams) {
  TempDir dir;
  platform::UniqueFile out(platform::OpenFile(dir / "a", "wb"));
  ASSERT_TRUE(out);
  EXPECT_EQ(platform::WriteFile(out.get(), "hello", 5), 5u);
  EXPECT_TRUE(platform::CloseFile(out.release()));
  platform::UniqueFile in(platform::OpenFile(dir / "a", "rb"));
  ASSERT_TRUE(in);
  int64_t size = 0;
  EXPECT_EQ(platform::StreamSize(in.get(), size), 0);
  EXPECT_EQ(size, 5);
  char bytes[8] = {};
  EXPECT_EQ(platform::ReadFile(in.get(), bytes, sizeof bytes), 5u);
  EXPECT_STREQ(bytes, "hello");
  EXPECT_FALSE(platform::StreamFailed(in.get()));
  in.reset();
  EXPECT_FALSE(platform::OpenFile(dir / "b", "rb"));
  EXPECT_EQ(platform::LastError(), ENOENT);
  EXPECT_FALSE(platform::OpenFile(std::string("a\0b", 3), "wb"));
  EXPECT_EQ(platform::LastError(), EINVAL);
}

TEST(FileIo, StreamSizeRefusesFoldersAndHasNoneForDevices) {
  TempDir dir;
  platform::UniqueFile folder(platform::OpenFile(dir.path(), "rb"));
  ASSERT_TRUE(folder);
  int64_t size = 0;
  EXPECT_EQ(platform::StreamSize(folder.get(), size), EISDIR);
  platform::UniqueFile device(platform::OpenFile("/dev/null", "rb"));
  ASSERT_TRUE(device);
  EXPECT_EQ(platform::StreamSize(device.get(), size), 0);
  EXPECT_EQ(size, -1);
}

TEST(FileIo, InstalledTableFailsStreamWritesUntilRemoved) {
  TempDir dir;
  {
    FullDisk disk(3);
    platform::UniqueFile out(platform::OpenFile(dir / "full", "wb"));
    ASSERT_TRUE(out);
    EXPECT_EQ(platform::WriteFile(out.get(), "hello", 5), 3u);
    EXPECT_EQ(platform::LastError(), ENOSPC);
    EXPECT_EQ(platform::WriteFile(out.get(), "x", 1), 0u);
  }
  EXPECT_EQ(ReadFileBytes(dir / "full"), "hel");
  platform::UniqueFile out(platform::OpenFile(dir / "free", "wb"));
  EXPECT_EQ(platform::WriteFile(out.get(), "hello", 5), 5u);
}

// One capacity for every kind of writer: a data file, a record, an entry
// written below an open folder.
TEST(FileIo, OneFullDiskFailsDataFilesRecordsAndFolderEntries) {
  TempDir dir;
  FullDisk disk(4);
  platform::DataFile data;
  ASSERT_EQ(data.Open(dir / "d"), 0);
  EXPECT_EQ(data.WriteAt(0, "abc", 3), 0);
  EXPECT_EQ(data.WriteAt(3, "def", 3), ENOSPC);
  EXPECT_EQ(platform::WriteFileAtomically(dir / "r", "record"), ENOSPC);
  EXPECT_FALSE(platform::PathExists(dir / "r"));
  EXPECT_FALSE(platform::PathExists(dir / "r.tmp"));
  bool created = false;
  std::string error;
  platform::UniqueFd folder = platform::OpenFolder(dir.path(), false, created, error);
  platform::UniqueFd entry = platform::CreateFileAt(folder.Get(), "e", error);
  ASSERT_TRUE(entry.Valid()) << error;
  EXPECT_FALSE(platform::WriteAll(entry.Get(), "x", 1, error));
  EXPECT_EQ(error, platform::ErrorText(ENOSPC));
  data.Close();
  EXPECT_EQ(ReadFileBytes(dir / "d"), "abcd");
}

TEST(FileIo, ADataWritesDiskLeavesRoomForRecords) {
  TempDir dir;
  FullDisk disk(2, FullDisk::Scope::DataWrites);
  platform::DataFile data;
  ASSERT_EQ(data.Open(dir / "d"), 0);
  EXPECT_EQ(data.WriteAt(0, "abc", 3), ENOSPC);
  EXPECT_EQ(platform::WriteFileAtomically(dir / "r", "record"), 0);
  EXPECT_EQ(ReadFileBytes(dir / "r"), "record");
}

// Renames and removals are the table's too, so a test can see or fail them.
TEST(FileIo, RenamesAndRemovalsGoThroughTheTable) {
  struct RefusingRenames : platform::FileIo {
    RefusingRenames() : previous(platform::SetFileIo(this)) {}
    ~RefusingRenames() override { platform::SetFileIo(previous); }
    int RenameAt(int, const std::string&, const std::string&) override { return EROFS; }
    int RemoveAt(int, const std::string&, bool) override { return EROFS; }
    platform::FileIo* previous;
  };
  TempDir dir;
  WriteFileBytes(dir / "a", "old");
  {
    RefusingRenames readOnly;
    EXPECT_EQ(platform::RenameFile(dir / "a", dir / "b"), EROFS);
    EXPECT_EQ(platform::RemoveFile(dir / "a"), EROFS);
    EXPECT_EQ(platform::WriteFileAtomically(dir / "a", "new"), EROFS);
  }
  EXPECT_EQ(ReadFileBytes(dir / "a"), "old");
  EXPECT_EQ(platform::RenameFile(dir / "a", dir / "b"), 0);
  EXPECT_EQ(platform::RemoveFile(dir / "b"), 0);
  EXPECT_FALSE(platform::PathExists(dir / "b"));
}
