#include "util/sysfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/ReportError.h"
#include "platform/Path.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

TEST(SysFile, PathKindsAndDirectoryTest) {
  TempDir dir;
  WriteFileBytes(dir / "file", "x");
  EXPECT_EQ(GetPathKind((dir / "file").c_str()), -1);
  EXPECT_EQ(GetPathKind(dir.path().c_str()), 1);
  EXPECT_EQ(GetPathKind((dir / "missing").c_str()), 0);
  EXPECT_EQ(GetPathKind(nullptr), 0);
  EXPECT_EQ(IsDirectory(dir.path().c_str()), 1);
  EXPECT_EQ(IsDirectory((dir / "file").c_str()), 0);
  EXPECT_EQ(IsDirectory(nullptr), 0);
}

TEST(SysFile, CreateDirectoryPathMakesEveryMissingParent) {
  TempDir dir;
  fs::create_directory(dir / "a");
  EXPECT_EQ(CreateDirectoryPath((dir / "a/b/c").c_str()), 1);
  EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
  EXPECT_EQ(CreateDirectoryPath((dir / "a/b/c").c_str()), 1);  // already there
  // Windows-style separators from scripts work the same.
  std::string backslashed = dir.path() + "\\x\\y\\";
  EXPECT_EQ(CreateDirectoryPath(backslashed.c_str()), 1);
  EXPECT_TRUE(fs::is_directory(dir / "x/y"));
  EXPECT_EQ(CreateDirectoryPath(nullptr), 0);
}

TEST(SysFile, CreateDirectoryPathStopsAtAFileInTheWay) {
  TempDir dir;
  fs::create_directory(dir / "a");
  WriteFileBytes(dir / "a/b", "file");
  EXPECT_EQ(CreateDirectoryPath((dir / "a/b/c").c_str()), -1);
  EXPECT_FALSE(fs::exists(dir / "a/b/c"));
  EXPECT_TRUE(fs::is_regular_file(dir / "a/b"));
}

TEST(SysFile, CreateDirectoryPathWorksOnShortAbsolutePaths) {
  // A three-character prefix is a drive root on the desktop; here it is a real
  // directory such as /a/ and must be created, not skipped.
  TempDir dir;
  fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  EXPECT_EQ(CreateDirectoryPath("q/r"), 1);
  EXPECT_TRUE(fs::is_directory("q/r"));
  fs::current_path(previous);
}

TEST(SysFile, GbkPathsReachTheDiskAsUtf8) {
  TempDir dir;
  std::string gbkName = dir.path() + "/\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(CreateDirectoryPath(gbkName.c_str()), 1);
  EXPECT_TRUE(fs::is_directory(dir.path() + "/\xE4\xB8\xAD\xE6\x96\x87"));
}

TEST(SysFile, DeleteRemovesFilesOnly) {
  TempDir dir;
  WriteFileBytes(dir / "f", std::string(1234, 'z'));
  EXPECT_NE(DeleteFilePath((dir / "f").c_str()), 0);
  EXPECT_FALSE(fs::exists(dir / "f"));
  EXPECT_EQ(DeleteFilePath((dir / "f").c_str()), 0);
  EXPECT_EQ(DeleteFilePath(dir.path().c_str()), 0);  // never a directory
  EXPECT_EQ(DeleteFilePath(nullptr), 0);
}

TEST(SysFile, WriteFileWithBomWritesInPiecesAndReportsFailure) {
  TempDir dir;
  std::string data(25000, 'q');
  data[10239] = 'A';
  data[24999] = 'Z';
  EXPECT_EQ(WriteFileWithBom((dir / "out.txt").c_str(), data.data(), data.size()), 25000u);
  EXPECT_EQ(ReadFileBytes(dir / "out.txt"), "\xEF\xBB\xBF" + data);
  EXPECT_EQ(WriteFileWithBom((dir / "empty.txt").c_str(), "", 0), 0u);
  EXPECT_EQ(ReadFileBytes(dir / "empty.txt"), "\xEF\xBB\xBF");

  std::vector<std::string> reports;
  auto previous = SetDiagnosticSink([&](const std::string& r) { reports.push_back(r); });
  EXPECT_EQ(WriteFileWithBom((dir / "no/such/dir.txt").c_str(), "x", 1), 0u);
  SetDiagnosticSink(previous);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("(error) (sysfile:"), std::string::npos);
  EXPECT_NE(reports[0].find("No such file"), std::string::npos);
}

TEST(SysFile, ModuleDirectoryHasNoTrailingSeparator) {
  platform::OverrideModuleFileNameForTesting(u"/opt/A B/bin/velmora");
  EXPECT_EQ(GetModuleDirectory(), u"/opt/A B/bin");
  platform::OverrideModuleFileNameForTesting(u"");
  EXPECT_FALSE(GetModuleDirectory().empty());
}

TEST(SysFile, WriteFileWithBomFailsOnAFullDisk) {
  TempDir dir;
  std::string data(25000, 'q');
  FullDisk disk(20000);
  EXPECT_EQ(WriteFileWithBom((dir / "full.txt").c_str(), data.data(), data.size()), 0u);
}
