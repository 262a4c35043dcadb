// Where a download's name comes from and how it is made safe and unique.
#include "dl/FileNaming.h"

#include <gtest/gtest.h>

#include <set>

TEST(FileNaming, ExtendedNameWinsOverPlainNameWhichWinsOverTheUrl) {
  EXPECT_EQ(FileNameFromContentDisposition("attachment; filename=\"plain.txt\"; filename*=UTF-8''%E4%B8%AD%E6%96%87.txt"),
            "\xE4\xB8\xAD\xE6\x96\x87.txt");
  EXPECT_EQ(FileNameFromContentDisposition("attachment; filename*=iso-8859-1'en'caf%E9.txt"), "caf\xC3\xA9.txt");
  EXPECT_EQ(FileNameFromContentDisposition("attachment; filename=\"a \\\"q\\\".txt\""), "a \"q\".txt");
  EXPECT_EQ(FileNameFromContentDisposition("attachment; filename=report.pdf"), "report.pdf");
  EXPECT_EQ(FileNameFromContentDisposition("inline"), "");
  // A broken extended value falls back to the plain one.
  EXPECT_EQ(FileNameFromContentDisposition("attachment; filename*=UTF-8''%FF%FE; filename=b.txt"), "b.txt");
  EXPECT_EQ(FileNameFromUrl("http://h/dir/%E4%B8%AD%20x.zip?x=/y#z"), "\xE4\xB8\xAD x.zip");
  EXPECT_EQ(FileNameFromUrl("http://h:80"), "");
  EXPECT_EQ(FileNameFromUrl("http://h/dir/"), "dir");
}

TEST(FileNaming, AnAnswerNamesTheFileByItsHeaderThenTheUrlThatAnsweredThenTheAddedOne) {
  EXPECT_EQ(AnswerFileName("attachment; filename=r.pdf", "http://h/final.bin", "http://h/added.bin"), "r.pdf");
  EXPECT_EQ(AnswerFileName("inline", "http://h/final.bin", "http://h/added.bin"), "final.bin");
  EXPECT_EQ(AnswerFileName("", "http://h/", "http://h/added.bin"), "added.bin");
  EXPECT_EQ(AnswerFileName("", "http://h/", "http://h/"), "download");
  EXPECT_EQ(AnswerFileName("attachment; filename=\"../../x.sh\"", "http://h/a", "http://h/b"), "x.sh");
}

TEST(FileNaming, PlainNamesThatAreNotUtf8AreReadAsTheAnsiCodePage) {
  // "中文" in GBK, as servers for that audience send it.
  EXPECT_EQ(FileNameFromContentDisposition("attachment; filename=\"\xD6\xD0\xCE\xC4.rar\""),
            "\xE4\xB8\xAD\xE6\x96\x87.rar");
}

TEST(FileNaming, NamesNeverLeaveTheFolder) {
  EXPECT_EQ(SafeFileName("../../etc/passwd"), "passwd");
  EXPECT_EQ(SafeFileName("..\\..\\boot.ini"), "boot.ini");
  EXPECT_EQ(SafeFileName(".."), "download");
  EXPECT_EQ(SafeFileName("."), "download");
  EXPECT_EQ(SafeFileName(""), "download");
  EXPECT_EQ(SafeFileName("a/"), "download");
  EXPECT_EQ(SafeFileName(std::string("a\0b\x01.txt", 8)), "a_b_.txt");
  EXPECT_EQ(SafeFileName("what?:*<>|\".txt"), "what_______.txt");
  EXPECT_EQ(SafeFileName("  name. . "), "name");
  EXPECT_EQ(SafeFileName(FileNameFromContentDisposition("attachment; filename*=UTF-8''..%2F..%2Fx")), "x");
  std::string longName(300, 'a');
  EXPECT_LE(SafeFileName(longName + ".bin").size(), 200u);
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "\xE4\xB8\xAD";
  std::string cut = SafeFileName(wide);
  EXPECT_EQ(cut.size() % 3, 0u);  // never half a character
}

TEST(FileNaming, ExistingNamesGetANumberBeforeTheExtension) {
  std::set<std::string> taken{"a.tar.gz", "a.tar (1).gz", "README", ".profile"};
  auto isTaken = [&](const std::string& n) { return taken.count(n) > 0; };
  EXPECT_EQ(UniqueFileName("new.txt", isTaken), "new.txt");
  EXPECT_EQ(UniqueFileName("a.tar.gz", isTaken), "a.tar (2).gz");
  EXPECT_EQ(UniqueFileName("README", isTaken), "README (1)");
  EXPECT_EQ(UniqueFileName(".profile", isTaken), ".profile (1)");
}
