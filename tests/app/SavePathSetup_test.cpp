#include "app/SavePathSetup.h"

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "lang/Texts.h"
#include "platform/Files.h"
#include "script/tessaryLuaCommon.h"
#include "tests/platform/FakeDrives.h"
#include "tests/support/TempDir.h"

namespace {

constexpr char kRecorder[] = R"lua(
calls = {}
function SetFileSavePath(p) calls[#calls + 1] = "SetFileSavePath:" .. p end
function SetSavePathDir(p) calls[#calls + 1] = "SetSavePathDir:" .. p end
function InitSavePathList(l) calls[#calls + 1] = "InitSavePathList:" .. l end
)lua";

// GBK: 下载资料, 移动磁盘, 电脑.
const std::string kFolder = "\xCF\xC2\xD4\xD8\xD7\xCA\xC1\xCF";
const std::string kDiskName = "\xD2\xC6\xB6\xAF\xB4\xC5\xC5\xCC";
const std::string kComputerEntry = "{\"ID\":0,\"name\":\"\xB5\xE7\xC4\xD4\",\"szPath\":\"\"}";
constexpr char kFolderUtf8[] = "\xE4\xB8\x8B\xE8\xBD\xBD\xE8\xB5\x84\xE6\x96\x99";

// The test machine, with drives added a mount-table line at a time.
class SavePathDrives : public FakeDrives {
 public:
  void AddDrive(const std::string& line, const std::string& mount, std::uint64_t freeBytes, bool withFolder) {
    table += line + "\n";
    directories.insert(mount);
    free[mount] = freeBytes;
    if (withFolder) directories.insert((mount == "/" ? std::string() : mount) + "/" + kFolderUtf8);
  }
};

class SavePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(luaL_dostring(script.State(), kRecorder), 0);
    platform::SetDriveSystemForTesting(&drives);
    ::setenv("VELMORA_REGISTRY", (dir / "registry.ini").c_str(), 1);
  }
  void TearDown() override {
    platform::SetDriveSystemForTesting(nullptr);
    ::unsetenv("VELMORA_REGISTRY");
  }
  void Register(const std::string& path) {
    WriteFileBytes(dir / "registry.ini", "[HKEY_LOCAL_MACHINE\\Software\\KOVAPT\\KOVA_PC]\nKOVAPath=" + path + "\n");
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> out;
    lua_State* L = script.State();
    lua_getglobal(L, "calls");
    for (int i = 1;; ++i) {
      lua_rawgeti(L, -1, i);
      if (lua_isnil(L, -1)) break;
      out.emplace_back(lua_tostring(L, -1));
      lua_pop(L, 1);
    }
    lua_pop(L, 2);
    return out;
  }

  TempDir dir;
  LuaCommon script;
  SavePathDrives drives;
};

TEST_F(SavePathTest, ListsFixedRemovableAndNetworkDrivesWithTheFolderAndRoomToSpare) {
  constexpr std::uint64_t MiB = 1024 * 1024;
  drives.AddDrive("/dev/sda1 / ext4 rw 0 0", "/", 50000 * MiB, true);
  drives.AddDrive("/dev/sdb1 /media/u/stick vfat rw 0 0", "/media/u/stick", 8 * MiB, true);    // too full
  drives.AddDrive("nas:/share /mnt/nas nfs4 rw 0 0", "/mnt/nas", 900 * MiB, true);
  drives.AddDrive("/dev/sdc1 /data ext4 rw 0 0", "/data", 16 * MiB, true);                      // exactly 16 MiB
  drives.AddDrive("/dev/sdd1 /empty ext4 rw 0 0", "/empty", 900 * MiB, false);                  // no folder
  drives.AddDrive("/dev/sde1 /media/u/card exfat rw 0 0", "/media/u/card", 17 * MiB, false);
  drives.files.insert(std::string("/media/u/card/") + kFolderUtf8);                          // a file counts
  drives.AddDrive("tmpfs /tmp tmpfs rw 0 0", "/tmp", 900 * MiB, true);                         // memory disk
  drives.AddDrive("/dev/sr0 /media/cdrom iso9660 ro 0 0", "/media/cdrom", 900 * MiB, true);     // optical
  const auto list = platform::ListDrives(drives);
  EXPECT_EQ(SaveLocationListText(list, drives),
            "[{\"id\":1,\"name\":\"" + kDiskName + "(C:)\",\"szPath\":\"/\"},"
            "{\"id\":2,\"name\":\"" + kDiskName + "(E:)\",\"szPath\":\"/mnt/nas/\"},"
            "{\"id\":3,\"name\":\"" + kDiskName + "(H:)\",\"szPath\":\"/media/u/card/\"}," +
                kComputerEntry + "]");
}

TEST_F(SavePathTest, NoQualifyingDriveLeavesOnlyTheComputer) {
  drives.AddDrive("/dev/sda1 / ext4 rw 0 0", "/", 1024, true);
  EXPECT_EQ(SaveLocationListText(platform::ListDrives(drives), drives), "[" + kComputerEntry + "]");
}

TEST_F(SavePathTest, AListLongerThanTheOldBufferIsHandedOverWhole) {
  std::string expected = "[";
  for (int i = 0; i < 12; ++i) {
    const std::string mount = "/srv/disk-with-a-long-name-" + std::to_string(i);
    drives.AddDrive("/dev/sd" + std::to_string(i) + " " + mount + " ext4 rw 0 0", mount, 1u << 30, true);
    expected += "{\"id\":" + std::to_string(i + 1) + ",\"name\":\"" + kDiskName + "(" +
                static_cast<char>('D' + i) + ":)\",\"szPath\":\"" + mount + "/\"},";
  }
  const std::string list = SaveLocationListText(platform::ListDrives(drives), drives);
  EXPECT_GT(list.size(), 260u);
  EXPECT_EQ(list, expected + kComputerEntry + "]");
}

TEST_F(SavePathTest, MountPointsAreEscapedForTheList) {
  drives.AddDrive("/dev/sdb1 /media/a\"b\\134c vfat rw 0 0", "/media/a\"b\\c", 1u << 30, true);
  EXPECT_EQ(SaveLocationListText(platform::ListDrives(drives), drives),
            "[{\"id\":1,\"name\":\"" + kDiskName + "(D:)\",\"szPath\":\"/media/a\\\"b\\\\c/\"}," + kComputerEntry + "]");
}

TEST_F(SavePathTest, TranslatedNamesComeFromTheActiveLanguageAndCannotBreakTheList) {
  WriteFileBytes(dir / "en.txt", "[texts]\nhost.removableDrive = Disk \"%s\"\nhost.computer = C:\\\\Home\n");
  lang::ActivateLanguage(dir.path(), "en");
  drives.AddDrive("/dev/sdb1 /media/usb vfat rw 0 0", "/media/usb", 1u << 30, true);
  const std::string list = SaveLocationListText(platform::ListDrives(drives), drives);
  lang::ResetLanguageForTesting();
  EXPECT_EQ(list, "[{\"id\":1,\"name\":\"Disk \\\"D\\\"\",\"szPath\":\"/media/usb/\"},"
                  "{\"ID\":0,\"name\":\"C:\\\\Home\",\"szPath\":\"\"}]");
}

TEST_F(SavePathTest, RegisteredPathIsCreatedAndHandedOverWithTheFolder) {
  const std::string install = dir / "apps/velmora";
  Register(install);
  EXPECT_EQ(GetInstallSavePath(), install + "/" + kFolder);
  EXPECT_EQ(platform::PathKindOf(install), platform::PathKind::Directory);
  EXPECT_TRUE(CheckInstallPath(script));
  EXPECT_EQ(TakeInstallSavePath(script), std::u16string(install.begin(), install.end()) + u"/下载资料");
  drives.AddDrive("/dev/sda1 / ext4 rw 0 0", "/", 1u << 30, false);
  BuildSaveLocationList(script);
  const std::string saved = "SetFileSavePath:" + install + "/" + kFolder;
  EXPECT_EQ(Calls(), (std::vector<std::string>{saved, saved, "InitSavePathList:[" + kComputerEntry + "]"}));
}

TEST_F(SavePathTest, WithoutARegisteredPathTheCheckFailsAndTheScriptsGetTheRelativeFolder) {
  EXPECT_EQ(GetInstallSavePath(), "");
  EXPECT_FALSE(CheckInstallPath(script));
  EXPECT_EQ(TakeInstallSavePath(script), u"");
  Register("");  // an empty value is no path either
  EXPECT_FALSE(CheckInstallPath(script));
  BuildSaveLocationList(script);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetSavePathDir:/" + kFolder + "/", "InitSavePathList:[" + kComputerEntry + "]"}));
}

}  // namespace
