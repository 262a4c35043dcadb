// Loading and saving through CXmlDocument: marks, declared encodings, the
// UTF-8 test, the result log, failures, and the load/save round trip.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/Path.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"
#include "xml/CXmlDocument.h"

namespace {

std::u16string Wide(const std::string& path) { return platform::WidePathFromNative(path); }

std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string Utf16BeBytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit >> 8));
    bytes.push_back(static_cast<char>(unit & 0xFF));
  }
  return bytes;
}

std::u16string Num(size_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

class XmlFileTest : public ::testing::Test {
 protected:
  // Writes `bytes` to a file and loads it into doc_.
  bool LoadBytes(const std::string& bytes, const std::string& name = "in.xml") {
    WriteFileBytes(dir_ / name, bytes);
    return doc_.Load(Wide(dir_ / name));
  }
  // Saves doc_ and returns the bytes written.
  std::string SavedBytes(const std::string& name = "out.xml") {
    EXPECT_TRUE(doc_.Save(Wide(dir_ / name)));
    return ReadFileBytes(dir_ / name);
  }
  bool LogHas(std::u16string_view record) const {
    return doc_.GetResult().find(record) != std::u16string::npos;
  }

  TempDir dir_;
  CXmlDocument doc_;
};

const std::u16string kText = u"<?xml version=\"1.0\"?>\r\n<r a=\"\u00E9\">\u4E2D\U0001F600</r>";

TEST_F(XmlFileTest, Utf8MarkIsKeptAndWrittenAgain) {
  std::string bytes = "\xEF\xBB\xBF<r>\xE4\xB8\xAD</r>";
  EXPECT_TRUE(LoadBytes(bytes));
  EXPECT_EQ(doc_.GetDocFlags(), CXmlDocument::kDocUtf8Bom);
  EXPECT_EQ(doc_.GetDoc(), u"<r>\u4E2D</r>");
  EXPECT_EQ(doc_.GetResult(),
            u"<bom/><read encoding=\"UTF-8\" length=\"10\"/>"
            u"<converted_to encoding=\"UTF-16\" length=\"8\"/>");
  EXPECT_EQ(SavedBytes(), bytes);
  EXPECT_EQ(doc_.GetResult(),
            u"<bom/><converted_from encoding=\"UTF-16\" length=\"8\"/>"
            u"<write encoding=\"UTF-8\" length=\"10\"/>");
}

TEST_F(XmlFileTest, Utf16LittleEndianMark) {
  std::string bytes = "\xFF\xFE" + Utf16LeBytes(kText);
  EXPECT_TRUE(LoadBytes(bytes));
  EXPECT_EQ(doc_.GetDocFlags(), CXmlDocument::kDocUtf16LeBom);
  EXPECT_EQ(doc_.GetDoc(), kText);
  EXPECT_EQ(doc_.GetResult(), u"<bom/><read encoding=\"UTF-16LE\" length=\"" + Num(kText.size()) + u"\"/>");
  EXPECT_EQ(SavedBytes(), bytes);
}

TEST_F(XmlFileTest, Utf16BigEndianMarkIsSwapped) {
  std::string bytes = "\xFE\xFF" + Utf16BeBytes(kText);
  EXPECT_TRUE(LoadBytes(bytes));
  EXPECT_EQ(doc_.GetDocFlags(), CXmlDocument::kDocUtf16BeBom);
  EXPECT_EQ(doc_.GetDoc(), kText);
  EXPECT_TRUE(LogHas(u"<endian_swap/>"));
  EXPECT_EQ(SavedBytes(), bytes);
  EXPECT_EQ(doc_.GetResult(),
            u"<bom/><endian_swap/><write encoding=\"UTF-16BE\" length=\"" + Num(kText.size()) + u"\"/>");
}

TEST_F(XmlFileTest, MarkFlagsAreClearedBeforeEachDetection) {
  ASSERT_TRUE(LoadBytes("\xFE\xFF" + Utf16BeBytes(u"<r/>")));
  doc_.SetDocFlags(doc_.GetDocFlags() | 2);  // an unrelated flag survives
  EXPECT_TRUE(LoadBytes("<r>\xC3\xA9</r>", "second.xml"));
  EXPECT_EQ(doc_.GetDocFlags(), 2);
  EXPECT_EQ(doc_.GetDoc(), u"<r>\u00E9</r>");
}

TEST_F(XmlFileTest, Gb2312DeclarationReadsThroughGbk) {
  std::string bytes = "<?xml version=\"1.0\" encoding=\"GB2312\"?><r>\xD6\xD0\xCE\xC4</r>";
  EXPECT_TRUE(LoadBytes(bytes));
  EXPECT_EQ(doc_.GetDoc(), u"<?xml version=\"1.0\" encoding=\"GB2312\"?><r>\u4E2D\u6587</r>");
  EXPECT_FALSE(LogHas(u"utf8_detection"));
  EXPECT_TRUE(LogHas(u"<read encoding=\"GB2312\" length=\"" + Num(bytes.size()) + u"\"/>"));
  EXPECT_EQ(SavedBytes(), bytes);
}

TEST_F(XmlFileTest, HtmlMetaCharsetInsideHead) {
  // The meta decides: without it these GBK bytes would be read as UTF-8.
  EXPECT_FALSE(LoadBytes("<html><head><meta http-equiv=\"Content-Type\" "
                         "content=\"text/html; charset=gbk\"></head><body>\xD6\xD0</body></html>"));
  EXPECT_NE(doc_.GetDoc().find(u"<body>\u4E2D</body>"), std::u16string::npos);

  LoadBytes(" <HTML><Head><META HTTP-EQUIV=content-type CONTENT=\"text/html;charset=utf-8\">"
            "</Head><body>\xE4\xB8\xAD</body></HTML>");
  EXPECT_TRUE(LogHas(u"<read encoding=\"utf-8\""));
  EXPECT_FALSE(LogHas(u"utf8_detection"));
  EXPECT_NE(doc_.GetDoc().find(u"\u4E2D"), std::u16string::npos);
}

TEST_F(XmlFileTest, HtmlMetaAfterHeadIsNotLookedAt) {
  LoadBytes(" <html><head></head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">"
            "<body>\xE4\xB8\xAD</body></html>");
  EXPECT_TRUE(LogHas(u"<read encoding=\"UTF-8\""));  // found by the UTF-8 test instead
  EXPECT_TRUE(LogHas(u"<utf8_detection/>"));
  EXPECT_NE(doc_.GetDoc().find(u"<body>\u4E2D</body>"), std::u16string::npos);
}

TEST_F(XmlFileTest, Utf8TestRunsOnlyWithoutAName) {
  // Starts with '<': named UTF-8 before any test, so bad bytes stay bad.
  EXPECT_TRUE(LoadBytes("<r>\xC4\xE3\xBA\xC3</r>"));
  EXPECT_FALSE(LogHas(u"utf8_detection"));
  EXPECT_NE(doc_.GetDoc().find(u'\uFFFD'), std::u16string::npos);

  // The same bytes after a blank fail the test and are read in the ANSI code page.
  EXPECT_TRUE(LoadBytes(" <r>\xC4\xE3\xBA\xC3</r>"));
  EXPECT_EQ(doc_.GetDoc(), u" <r>\u4F60\u597D</r>");
  EXPECT_EQ(doc_.GetResult(),
            u"<read encoding=\"\" length=\"12\"/><utf8_detection/>"
            u"<converted_to encoding=\"UTF-16\" length=\"10\"/>");

  // Passing the test names the encoding in the "read" record after the fact.
  EXPECT_TRUE(LoadBytes("\n<r>\xE4\xBD\xA0</r>"));
  EXPECT_EQ(doc_.GetDoc(), u"\n<r>\u4F60</r>");
  EXPECT_EQ(doc_.GetResult(),
            u"<read encoding=\"UTF-8\" length=\"11\"/><utf8_detection/>"
            u"<converted_to encoding=\"UTF-16\" length=\"9\"/>");
}

TEST_F(XmlFileTest, NulUnitsAreRemoved) {
  EXPECT_TRUE(LoadBytes(std::string("<r>a\0b\0</r>", 11)));
  EXPECT_EQ(doc_.GetDoc(), u"<r>ab</r>");
  EXPECT_TRUE(LogHas(u"<read encoding=\"UTF-8\" length=\"11\"/><nulls_removed count=\"2\"/>"));

  EXPECT_TRUE(LoadBytes("\xFF\xFE" + Utf16LeBytes(std::u16string(u"<r>\0</r>", 8))));
  EXPECT_EQ(doc_.GetDoc(), u"<r></r>");
  EXPECT_TRUE(LogHas(u"<nulls_removed count=\"1\"/>"));
}

TEST_F(XmlFileTest, MissingFileEmptiesTheDocument) {
  ASSERT_TRUE(doc_.SetDoc(u"<r><a/></r>"));
  ASSERT_TRUE(doc_.FindElem(u"r"));
  EXPECT_FALSE(doc_.Load(Wide(dir_ / "missing.xml")));
  EXPECT_EQ(doc_.GetDoc(), u"");
  EXPECT_EQ(doc_.MainPos(), 0);
  EXPECT_FALSE(doc_.FindElem());
  EXPECT_EQ(doc_.GetResult(), u"<file_error msg=\"No such file or directory\" n=\"2\"/>");
}

TEST_F(XmlFileTest, DirectoryIsNotReadOrWritten) {
  EXPECT_FALSE(doc_.Load(Wide(dir_.path())));
  EXPECT_TRUE(LogHas(u"n=\"21\""));
  ASSERT_TRUE(doc_.SetDoc(u"<r/>"));
  EXPECT_FALSE(doc_.Save(Wide(dir_.path())));
  EXPECT_TRUE(LogHas(u"<file_error msg=\"Is a directory\" n=\"21\"/>"));
}

TEST_F(XmlFileTest, UnwritablePathFails) {
  ASSERT_TRUE(doc_.SetDoc(u"<r/>"));
  EXPECT_FALSE(doc_.Save(Wide(dir_ / "no-such-dir/out.xml")));
  EXPECT_EQ(doc_.GetResult(), u"<file_error msg=\"No such file or directory\" n=\"2\"/>");
  // A NUL would cut the name short at the OS; such a name is refused.
  EXPECT_FALSE(doc_.Save(Wide(dir_.path()) + std::u16string(u"/a\0b", 4)));
  EXPECT_TRUE(LogHas(u"n=\"22\""));
}

// Bytes that never reach the disk make a failed save, even when the only
// error comes from the close that flushes them.
TEST_F(XmlFileTest, FullDiskFailsTheSave) {
  const char* full = "/dev/full";
  if (std::FILE* probe = std::fopen(full, "wb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "no full device";
  }
  ASSERT_TRUE(doc_.SetDoc(u"<r/>"));
  EXPECT_FALSE(doc_.Save(Wide(full)));
  EXPECT_EQ(doc_.GetResult(), u"<converted_from encoding=\"UTF-16\" length=\"4\"/>"
                              u"<write encoding=\"UTF-8\" length=\"4\"/>"
                              u"<file_error msg=\"No space left on device\" n=\"28\"/>");
}

TEST_F(XmlFileTest, EmptyFileAndEmptyDocument) {
  EXPECT_FALSE(LoadBytes(""));
  EXPECT_EQ(doc_.GetResult().substr(0, 32), u"<read encoding=\"\" length=\"0\"/>");
  EXPECT_EQ(SavedBytes(), "");
  EXPECT_EQ(doc_.GetResult(), u"<write encoding=\"\" length=\"0\"/>");
}

TEST_F(XmlFileTest, BackslashesSeparatePathsToo) {
  std::u16string name = Wide(dir_.path()) + u"\\sub.xml";
  ASSERT_TRUE(doc_.SetDoc(u"<r/>"));
  EXPECT_TRUE(doc_.Save(name));
  EXPECT_EQ(ReadFileBytes(dir_ / "sub.xml"), "<r/>");
  EXPECT_TRUE(doc_.Load(name));
}

TEST_F(XmlFileTest, SaveWithoutMarkUsesTheDeclaration) {
  const std::u16string text = u"<?xml version=\"1.0\" encoding=\"gbk\"?><r>\u4E2D</r>";
  const std::string bytes = "<?xml version=\"1.0\" encoding=\"gbk\"?><r>\xD6\xD0</r>";
  ASSERT_TRUE(doc_.SetDoc(text));
  EXPECT_EQ(SavedBytes(), bytes);
  EXPECT_EQ(doc_.GetResult(), u"<converted_from encoding=\"UTF-16\" length=\"" + Num(text.size()) +
                                  u"\"/><write encoding=\"gbk\" length=\"" + Num(bytes.size()) + u"\"/>");

  ASSERT_TRUE(doc_.SetDoc(u"<?xml version=\"1.0\" encoding=\"gbk\"?><r>\u0E01</r>"));
  EXPECT_EQ(SavedBytes(), "<?xml version=\"1.0\" encoding=\"gbk\"?><r>?</r>");
  EXPECT_TRUE(LogHas(u"<conversion_loss/>"));

  ASSERT_TRUE(doc_.SetDoc(u"<r>\u0E01</r>"));  // no declaration: UTF-8
  EXPECT_EQ(SavedBytes(), "<r>\xE0\xB8\x81</r>");
  EXPECT_TRUE(LogHas(u"<write encoding=\"UTF-8\" length=\"10\"/>"));
}

// A UTF-16 or UTF-32 declaration that could be read byte-wise is false: the
// file is 8-bit, and is read as UTF-8 rather than in pairs or quads.
TEST_F(XmlFileTest, WideDeclarationInAnEightBitFileIsReadAsUtf8) {
  EXPECT_TRUE(LoadBytes("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>\xC3\xA9</r>"));
  EXPECT_EQ(doc_.GetDoc(), u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>\u00E9</r>");
  EXPECT_TRUE(LoadBytes("<?xml version=\"1.0\" encoding=\"UTF-32\"?><r>\xC3\xA9</r>"));
  EXPECT_EQ(doc_.GetDoc(), u"<?xml version=\"1.0\" encoding=\"UTF-32\"?><r>\u00E9</r>");
  EXPECT_EQ(doc_.GetDocFlags(), 0);
}

// Text declared UTF-16 is written with its mark, so that it reads back.
TEST_F(XmlFileTest, TextDeclaredUtf16IsWrittenWithItsMark) {
  const std::u16string little = u"<?xml version=\"1.0\" encoding=\"utf-16\"?><r>\u00E9</r>";
  ASSERT_TRUE(doc_.SetDoc(little));
  EXPECT_EQ(SavedBytes(), "\xFF\xFE" + Utf16LeBytes(little));
  EXPECT_EQ(doc_.GetResult(), u"<bom/><write encoding=\"UTF-16LE\" length=\"" + Num(little.size()) + u"\"/>");
  EXPECT_TRUE(doc_.Load(Wide(dir_ / "out.xml")));
  EXPECT_EQ(doc_.GetDoc(), little);

  const std::u16string big = u"<?xml version=\"1.0\" encoding=\"UTF-16BE\"?><r>\u00E9</r>";
  doc_.SetDocFlags(0);  // the load above left the little-endian mark flag
  ASSERT_TRUE(doc_.SetDoc(big));
  EXPECT_EQ(SavedBytes(), "\xFE\xFF" + Utf16BeBytes(big));
  EXPECT_TRUE(LogHas(u"<endian_swap/>"));
}

TEST_F(XmlFileTest, OwnUtf32IsWrittenLittleEndianByCodePoint) {
  ASSERT_TRUE(doc_.SetDoc(u"<?xml version=\"1.0\" encoding=\"UTF-32\"?><r>\U0001F600</r>"));
  std::string bytes = SavedBytes();
  EXPECT_EQ(bytes.size(), 47u * 4);
  EXPECT_EQ(bytes.substr(0, 8), std::string("<\0\0\0?\0\0\0", 8));
  EXPECT_TRUE(LogHas(u"<write encoding=\"UTF-32\" length=\"47\"/>"));
}

TEST_F(XmlFileTest, LargeUtf8FileIsReadInPieces) {
  // Three-byte characters straddle every piece boundary; NULs are spread over pieces.
  std::string bytes = "<r>";
  std::u16string text = u"<r>";
  for (int i = 0; i < 900000; ++i) {
    bytes += (i % 100000 == 0) ? std::string("\xE4\xB8\xAD\0", 4) : std::string("\xE4\xB8\xAD");
    text += u'\u4E2D';
  }
  bytes += "</r>";
  text += u"</r>";
  EXPECT_TRUE(LoadBytes(bytes));
  EXPECT_TRUE(doc_.GetDoc() == text);
  EXPECT_EQ(doc_.GetResult(), u"<read encoding=\"UTF-8\" length=\"" + Num(bytes.size()) +
                                  u"\"/><nulls_removed count=\"9\"/><converted_to encoding=\"UTF-16\" length=\"" +
                                  Num(text.size()) + u"\"/>");
}

// Loading and saving an unchanged document gives back the same bytes, for
// every mark and every declared encoding that can hold the text.
TEST_F(XmlFileTest, LoadThenSaveGivesBackTheSameBytes) {
  const std::string cases[] = {
      "<r>plain \xE4\xB8\xAD\xF0\x9F\x98\x80</r>\r\n",
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<r/>",
      "\xFF\xFE" + Utf16LeBytes(kText),
      "\xFE\xFF" + Utf16BeBytes(kText),
      "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<r t=\"\xD6\xD0\">\xCE\xC4</r>",
      "<?xml version='1.0' encoding='gb18030'?><r>\x81\x30\x81\x30</r>",
      "<?xml version=\"1.0\" encoding=\"big5\"?><r>\xA4\xA4</r>",
      "<?xml version=\"1.0\" encoding=\"shift_jis\"?><r>\x82\xA0</r>",
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>caf\xE9 \x80</r>",
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9</r>",
      "<?xml version=\"1.0\" encoding=\"koi8-r\"?><r>\xC1\xC2</r>",
      "<?xml version=\"1.0\" encoding=\"euc-kr\"?><r>\xB0\xA1</r>",
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\"></head>"
      "<body>\xD6\xD0</body></html>",
      "",
  };
  for (const std::string& bytes : cases) {
    LoadBytes(bytes);
    EXPECT_EQ(SavedBytes(), bytes) << bytes;
  }
}

}  // namespace

TEST_F(XmlFileTest, FullDiskFailsTheSaveWithItsError) {
  ASSERT_TRUE(doc_.SetDoc(u"<r>some text that does not fit</r>"));
  FullDisk disk(4);
  EXPECT_FALSE(doc_.Save(Wide(dir_ / "full.xml")));
  EXPECT_TRUE(LogHas(u"<file_error msg=\"No space left on device\" n=\"28\"/>"));
}
