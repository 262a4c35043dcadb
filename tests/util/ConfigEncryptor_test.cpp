#include "util/ConfigEncryptor.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"
#include "util/Base64Encode.h"
#include "util/ConfigFileText.h"
#include "util/waes_c.h"

namespace {

std::string Sample(size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char>((i * 37 + 11) % 256);
  return text;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string ToolPath() {
  const char* bin = std::getenv("VELMORA_BIN_DIR");
  return std::string(bin ? bin : ".") + "/velmora-config";
}

int RunTool(const std::string& arguments) {
  int status = std::system((Quoted(ToolPath()) + " " + arguments + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Base64Encode, PadsTheLastGroup) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("A"), "QQ==");
  EXPECT_EQ(Base64Encode("AB"), "QUI=");
  EXPECT_EQ(Base64Encode("ABC"), "QUJD");
  EXPECT_EQ(Base64Encode("\xfb\xff"), "+/8=");
}

// The file layout checked against an encryptor that shares no code with ours.
TEST(ConfigEncryptor, MatchesAnIndependentAesEcbEncryption) {
  if (std::system("openssl version >/dev/null 2>&1") != 0) GTEST_SKIP() << "openssl not installed";
  std::array<uint8_t, 16> key = PrepareConfigKey(kConfigKeyText);
  std::string hexKey;
  for (uint8_t b : key) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", b);
    hexKey += pair;
  }
  TempDir dir;
  for (size_t length : {0u, 1u, 11u, 12u, 13u, 24u, 57u, 100u}) {
    std::string padded = Base64Encode(Sample(length));
    padded.resize((padded.size() / 16 + 1) * 16, '\0');
    WriteFileBytes(dir / "plain", padded);
    std::string command = "openssl enc -aes-128-ecb -nopad -K " + hexKey + " -in " +
                          Quoted(dir / "plain") + " -out " + Quoted(dir / "cipher");
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(EncryptConfigText(Sample(length)), ReadFileBytes(dir / "cipher")) << length;
  }
}

TEST(ConfigTool, EncryptsFilesTheProgramReadsAndShowsThemBack) {
  TempDir dir;
  for (std::string text : {std::string(), std::string("\xEF\xBB\xBF[net]\nhost=a\n"), Sample(100)}) {
    WriteFileBytes(dir / "plain.txt", text);
    ASSERT_EQ(RunTool("encrypt " + Quoted(dir / "plain.txt") + " " + Quoted(dir / "dc-config.ini")), 0);
    std::string unmarked = text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
    EXPECT_EQ(ReadConfigFileText((dir / "dc-config.ini").c_str()), unmarked);
    ASSERT_EQ(RunTool("show " + Quoted(dir / "dc-config.ini") + " >" + Quoted(dir / "shown")), 0);
    EXPECT_EQ(ReadFileBytes(dir / "shown"), unmarked);
  }
  EXPECT_FALSE(std::ifstream(dir / "dc-config.ini.tmp").good());
}

TEST(ConfigTool, ReportsMisuseAndFileErrors) {
  TempDir dir;
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("encrypt only-one"), 2);
  EXPECT_EQ(RunTool("decrypt a b"), 2);
  EXPECT_EQ(RunTool("show " + Quoted(dir / "missing")), 1);
  EXPECT_EQ(RunTool("encrypt " + Quoted(dir / "missing") + " " + Quoted(dir / "out")), 1);
  WriteFileBytes(dir / "plain", "x");
  EXPECT_EQ(RunTool("encrypt " + Quoted(dir / "plain") + " " + Quoted(dir / "no/such/dir/out")), 1);
}

}  // namespace
