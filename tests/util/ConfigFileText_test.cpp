#include "util/ConfigFileText.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "util/ConfigEncryptor.h"
#include "base/ReportError.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kUtf8Mark = "\xEF\xBB\xBF";
const std::string kUtf16Mark = "\xFF\xFE";

std::string Sample(size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char>(' ' + (i * 7) % 95);
  return text;
}

std::optional<std::string> WriteAndRead(const TempDir& dir, const std::string& bytes) {
  std::string path = dir / "dc-config.ini";
  WriteFileBytes(path, bytes);
  return ReadConfigFileText(path.c_str());
}

TEST(ConfigFileText, RoundTripsTextsOfEveryLengthUpToOneHundred) {
  TempDir dir;
  for (size_t length = 0; length <= 100; ++length) {
    std::string text = Sample(length);
    EXPECT_EQ(WriteAndRead(dir, EncryptConfigText(text)), text) << length;
  }
}

TEST(ConfigFileText, DropsAUtf8OrUtf16LittleEndianMark) {
  TempDir dir;
  for (size_t length : {0u, 1u, 9u, 10u, 13u, 45u, 100u}) {
    std::string text = Sample(length);
    EXPECT_EQ(WriteAndRead(dir, EncryptConfigText(kUtf8Mark + text)), text) << length;
    EXPECT_EQ(WriteAndRead(dir, EncryptConfigText(kUtf16Mark + text)), text) << length;
  }
  // A UTF-16LE body keeps its zero bytes; only the mark goes.
  std::string wide("a\0b\0c\0", 6);
  EXPECT_EQ(WriteAndRead(dir, EncryptConfigText(kUtf16Mark + wide)), wide);
  // A big-endian mark is not one of ours and stays.
  EXPECT_EQ(WriteAndRead(dir, EncryptConfigText("\xFE\xFFx")), "\xFE\xFFx");
}

TEST(ConfigFileText, BaseTextFillingWholeBlocksGetsAZeroBlockAndStillReadsBack) {
  // 12, 24 and 36 bytes encode to exactly 1, 2 and 3 blocks of base64.
  for (size_t length : {12u, 24u, 36u}) {
    std::string file = EncryptConfigText(Sample(length));
    EXPECT_EQ(file.size(), length / 3 * 4 + 16) << length;
    EXPECT_EQ(DecryptConfigText(file), Sample(length)) << length;
  }
  // "QUJD" and twelve zero bytes: one block giving ABC.
  std::string abc = EncryptConfigText("ABC");
  EXPECT_EQ(abc.size(), 16u);
  EXPECT_EQ(DecryptConfigText(abc), "ABC");
}

TEST(ConfigFileText, TextIsCutToTheFileLengthLessTheMark) {
  // A file without its closing zero block: the text runs on into the block
  // decrypted from zero padding, which holds no zero byte under this key.
  std::string full = EncryptConfigText("0123456789ab");  // 16 base64 chars + zero block
  std::string truncated = full.substr(0, 16);
  std::string text = DecryptConfigText(truncated);
  ASSERT_EQ(text.size(), 16u);
  EXPECT_EQ(text.substr(0, 12), "0123456789ab");

  std::string marked = EncryptConfigText(kUtf8Mark + "456789ab").substr(0, 16);
  std::string withoutMark = DecryptConfigText(marked);
  ASSERT_EQ(withoutMark.size(), 13u);
  EXPECT_EQ(withoutMark.substr(0, 8), "456789ab");
}

TEST(ConfigFileText, EmptyAndShortFilesGiveSomeTextBoundedByTheirLength) {
  TempDir dir;
  std::optional<std::string> empty = WriteAndRead(dir, "");
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
  for (size_t length = 1; length < 16; ++length) {
    std::optional<std::string> text = WriteAndRead(dir, std::string(length, 'x'));
    ASSERT_TRUE(text.has_value());
    EXPECT_LE(text->size(), length);
  }
}

TEST(ConfigFileText, UnreadableOrOversizedFilesGiveNothingAndAReport) {
  TempDir dir;
  std::vector<std::string> reports;
  DiagnosticSink previous = SetDiagnosticSink([&](const std::string& r) { reports.push_back(r); });
  EXPECT_FALSE(ReadConfigFileText((dir / "missing.ini").c_str()).has_value());
  EXPECT_FALSE(ReadConfigFileText(dir.path().c_str()).has_value());
  EXPECT_FALSE(ReadConfigFileText(nullptr).has_value());

  std::string path = dir / "big.ini";
  WriteFileBytes(path, EncryptConfigText(Sample(40)));  // 64 bytes
  EXPECT_FALSE(ReadConfigFileText(path.c_str(), 63).has_value());
  EXPECT_EQ(ReadConfigFileText(path.c_str(), 64), Sample(40));
  SetDiagnosticSink(previous);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_NE(reports[0].find("(ConfigFileText:"), std::string::npos);
}

TEST(ConfigFileText, GarbageNeverCrashesAndStaysWithinTheFileLength) {
  std::mt19937 random(20310);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 3000; ++round) {
    size_t length = static_cast<size_t>(random() % 200);
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    EXPECT_LE(DecryptConfigText(bytes).size(), length);
    // Valid files with flipped bytes and cut ends.
    std::string file = EncryptConfigText(bytes);
    if (!file.empty()) file[random() % file.size()] ^= static_cast<char>(1 + random() % 255);
    file.resize(random() % (file.size() + 1));
    EXPECT_LE(DecryptConfigText(file).size(), file.size());
  }
}

}  // namespace
