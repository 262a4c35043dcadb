#include "platform/RegistryStore.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace {

constexpr char16_t kKey[] = u"HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC";

TEST(RegistryStore, FindsTheValueOfItsKeyWithoutRegardToCase) {
  const std::string ini =
      "\xEF\xBB\xBF; installer\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "KOVAPath=/wrong\r\n"
      "[hkey_local_machine\\software\\kovapt\\kova_pc]\r\n"
      "  kovapath =  /home/u/\xE4\xB8\xAD  \r\n"
      "#KOVAPath=/commented\n";
  EXPECT_EQ(platform::FindRegistryValue(ini, kKey, u"KOVAPath"), std::u16string(u"/home/u/\u4E2D"));
}

TEST(RegistryStore, MissingKeyValueOrMalformedLinesGiveNothing) {
  EXPECT_FALSE(platform::FindRegistryValue("", kKey, u"KOVAPath"));
  EXPECT_FALSE(platform::FindRegistryValue("[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nOther=1\n", kKey,
                                           u"KOVAPath"));
  // A value before any section, a broken section line, a line without '='.
  EXPECT_FALSE(platform::FindRegistryValue("KOVAPath=/x\n[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC\nKOVAPath=/y\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath\n",
                                           kKey, u"KOVAPath"));
  // The last line of a value wins, an empty value is a value.
  EXPECT_EQ(platform::FindRegistryValue("[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=/a\nKOVAPath=\n",
                                        kKey, u"KOVAPath"),
            std::u16string());
}

TEST(RegistryStore, ReadsTheFileNamedByTheEnvironment) {
  TempDir dir;
  WriteFileBytes(dir / "r.ini", "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=/opt/v\n");
  ::setenv("VELMORA_REGISTRY", (dir / "r.ini").c_str(), 1);
  EXPECT_EQ(platform::RegistryFilePath(), dir / "r.ini");
  EXPECT_EQ(platform::ReadRegistryValue(kKey, u"KOVAPath"), std::u16string(u"/opt/v"));
  ::setenv("VELMORA_REGISTRY", (dir / "missing.ini").c_str(), 1);
  EXPECT_FALSE(platform::ReadRegistryValue(kKey, u"KOVAPath"));
  // Without the variable the user's configuration folder holds it.
  ::unsetenv("VELMORA_REGISTRY");
  ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(platform::RegistryFilePath(), dir / "velmora/registry.ini");
  ::unsetenv("XDG_CONFIG_HOME");
}

TEST(RegistryStore, RefusesAFileLargerThanItsLimit) {
  TempDir dir;
  std::string big = "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=/opt/v\n";
  big.append(platform::kRegistryFileLimit, ';');
  WriteFileBytes(dir / "big.ini", big);
  ::setenv("VELMORA_REGISTRY", (dir / "big.ini").c_str(), 1);
  EXPECT_FALSE(platform::ReadRegistryValue(kKey, u"KOVAPath"));
  ::unsetenv("VELMORA_REGISTRY");
}

}  // namespace
