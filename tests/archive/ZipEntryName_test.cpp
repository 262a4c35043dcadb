#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>

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

// Whatever bytes a name holds, an accepted path is made of plain names only.
TEST(ZipEntryName, AcceptedPathsNeverHoldSeparatorsDotsOrDrives) {
  const char alphabet[] = {'a', '.', '/', '\\', ':', 'C', '\0', '\xD6', '\xE4', ' '};
  std::uint32_t seed = 7;
  for (int round = 0; round < 20000; ++round) {
    std::string name;
    const int length = 1 + static_cast<int>(seed % 12);
    for (int i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      name += alphabet[(seed >> 16) % sizeof alphabet];
    }
    EntryPath path;
    std::string error;
    const std::string decoded = DecodeEntryName(name, (seed & 1) != 0);
    if (!ParseEntryPath(decoded, path, error)) continue;
    ASSERT_FALSE(path.components.empty()) << decoded;
    for (const std::string& part : path.components) {
      ASSERT_FALSE(part.empty() || part == "." || part == "..") << decoded;
      ASSERT_EQ(part.find_first_of(std::string("/\\\0", 3)), std::string::npos) << decoded;
      ASSERT_FALSE(part.size() >= 2 && part[1] == ':' && std::isalpha(static_cast<unsigned char>(part[0])))
          << decoded;
    }
  }
}
