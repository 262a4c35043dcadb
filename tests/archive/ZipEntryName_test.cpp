#include <gtest/gtest.h>

#include "archive/ZipEntryName.h"

using archive::DecodeEntryName;
using archive::EntryPath;
using archive::ParseEntryPath;

TEST(ZipEntryName, NamesDecodeFromUtf8OrGbk) {
  // "中文" in GBK, and in UTF-8.
  const std::string gbk = "\xD6\xD0\xCE\xC4.txt";
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87.txt";
  EXPECT_EQ(DecodeEntryName(gbk, false), utf8);
  EXPECT_EQ(DecodeEntryName(utf8, false), utf8) << "valid UTF-8 without the flag stays UTF-8";
  EXPECT_EQ(DecodeEntryName(utf8, true), utf8);
  EXPECT_EQ(DecodeEntryName("plain/a.txt", false), "plain/a.txt");
  EXPECT_EQ(DecodeEntryName("bad\xFF", true), "bad\xEF\xBF\xBD") << "flagged but broken: U+FFFD";
}

TEST(ZipEntryName, PathsSplitOnBothSeparatorsAndDropEmptyAndDotParts) {
  EntryPath path;
  std::string error;
  ASSERT_TRUE(ParseEntryPath("a/./b\\c.txt", path, error)) << error;
  EXPECT_EQ(path.components, (std::vector<std::string>{"a", "b", "c.txt"}));
  EXPECT_FALSE(path.directory);
  ASSERT_TRUE(ParseEntryPath("dir//sub/", path, error));
  EXPECT_EQ(path.components, (std::vector<std::string>{"dir", "sub"}));
  EXPECT_TRUE(path.directory);
  ASSERT_TRUE(ParseEntryPath("..a/b..", path, error)) << "dots inside names are fine";
}

TEST(ZipEntryName, NamesThatCouldLeaveTheFolderAreRefused) {
  EntryPath path;
  for (const std::string& name : std::vector<std::string>{"../x", "a/../../x", "a\\..\\x", "/etc/passwd", "\\x", "C:x", "c:\\x", "a/D:/x",
                                 "", "./", std::string("a\0b", 3), std::string(256, 'n')}) {
    std::string error;
    EXPECT_FALSE(ParseEntryPath(name, path, error)) << name;
    EXPECT_NE(error.find("unsafe entry name"), std::string::npos) << error;
  }
}
